#include "history/database.h"

#include <algorithm>

namespace {

// Rows a statement of InsertRows holds at most: far under either
// database's limit of parameters (32,766 and 65,535).
constexpr std::size_t kRowsAStatement = 500;

SqlValue Value(SqlValue::Kind kind) {
  SqlValue v;
  v.kind = kind;
  v.null = false;
  return v;
}

SqlValue Null(SqlValue::Kind kind) {
  SqlValue v;
  v.kind = kind;
  return v;
}

}  // namespace

SqlValue SqlInteger(long long value) {
  SqlValue v = Value(SqlValue::Kind::kInteger);
  v.integer = value;
  return v;
}

SqlValue SqlInteger(const std::optional<int>& value) {
  return value ? SqlInteger(static_cast<long long>(*value))
               : Null(SqlValue::Kind::kInteger);
}

SqlValue SqlInteger(const std::optional<long long>& value) {
  return value ? SqlInteger(*value) : Null(SqlValue::Kind::kInteger);
}

SqlValue SqlReal(double value) {
  SqlValue v = Value(SqlValue::Kind::kReal);
  v.real = value;
  return v;
}

SqlValue SqlReal(const std::optional<double>& value) {
  return value ? SqlReal(*value) : Null(SqlValue::Kind::kReal);
}

SqlValue SqlText(const std::string& value) {
  SqlValue v = Value(SqlValue::Kind::kText);
  v.text = value;
  return v;
}

SqlValue SqlText(const std::optional<std::string>& value) {
  return value ? SqlText(*value) : Null(SqlValue::Kind::kText);
}

SqlValue SqlFlag(bool value) {
  SqlValue v = Value(SqlValue::Kind::kFlag);
  v.integer = value ? 1 : 0;
  return v;
}

std::optional<int> SqlRows::OptionalInt(int column) const {
  if (Null(column)) return std::nullopt;
  return static_cast<int>(Integer(column));
}

std::optional<double> SqlRows::OptionalReal(int column) const {
  if (Null(column)) return std::nullopt;
  return Real(column);
}

std::optional<std::string> SqlRows::OptionalText(int column) const {
  if (Null(column)) return std::nullopt;
  return Text(column);
}

bool Database::Execute(const std::string& sql,
                       const std::vector<SqlValue>& params,
                       std::string& error) {
  return Query(sql, params, error) != nullptr;
}

long long Database::Insert(const std::string& sql,
                           const std::vector<SqlValue>& params,
                           std::string& error) {
  const std::unique_ptr<SqlRows> rows = Query(sql, params, error);
  if (rows && rows->Next()) return rows->Integer(0);
  if (error.empty()) error = Why();
  return 0;
}

bool Database::InsertRows(const std::string& head, int columns,
                          const std::vector<SqlValue>& values,
                          std::string& error) {
  const std::size_t width = static_cast<std::size_t>(columns);
  const std::size_t rows = values.size() / width;
  for (std::size_t first = 0; first < rows; first += kRowsAStatement) {
    const std::size_t count = std::min(kRowsAStatement, rows - first);
    std::string sql = head + " VALUES ";
    for (std::size_t r = 0; r < count; ++r) {
      sql += r == 0 ? "(" : ", (";
      for (std::size_t c = 0; c < width; ++c) {
        if (c > 0) sql += ", ";
        sql += "?" + std::to_string(r * width + c + 1);
      }
      sql += ")";
    }
    const auto from = values.begin() + static_cast<long>(first * width);
    const std::vector<SqlValue> params(from,
                                       from + static_cast<long>(count * width));
    if (!Execute(sql, params, error)) return false;
  }
  return true;
}

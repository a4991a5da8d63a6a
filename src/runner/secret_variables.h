// The environment variables that may hold a history server's password:
// kept out of every child's environment (the benchmark, mpirun, the
// agents), since a child may print its environment into a kept file.
#ifndef DRIVES_RUNNER_SECRET_VARIABLES_H_
#define DRIVES_RUNNER_SECRET_VARIABLES_H_

#include <cstring>

constexpr const char* kSecretVariables[] = {"DRIVES_HISTORY", "PGPASSWORD"};

// Whether `entry` ("NAME=value") sets one of them.
inline bool IsSecretEntry(const char* entry) {
  for (const char* name : kSecretVariables) {
    const std::size_t length = std::strlen(name);
    if (std::strncmp(entry, name, length) == 0 && entry[length] == '=') {
      return true;
    }
  }
  return false;
}

#endif  // DRIVES_RUNNER_SECRET_VARIABLES_H_

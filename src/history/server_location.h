// A history's location: whether it names a PostgreSQL server (a URI, or
// libpq's key=value words) rather than a file, and the form in which it
// may be shown, its password masked.
#ifndef DRIVES_HISTORY_SERVER_LOCATION_H_
#define DRIVES_HISTORY_SERVER_LOCATION_H_

#include <string>

// postgresql://..., postgres://..., or key=value words: a file is never made
// of such a name.
bool IsServerLocation(const std::string& location);

// What libpq makes of a server's location: whether it parses, and its
// password, if any. A build without libpq cannot tell.
enum class ConnectionParse { kParsed, kMalformed, kUnknown };
ConnectionParse ParseConnection(const std::string& location,
                                std::string& password);

// `location` as messages and files may show it: a file's path as it is; a
// server's with its password replaced by "***", or nothing of it at all
// where it does not parse or its password would still show.
std::string MaskPassword(const std::string& location);

// A command-line word masked: a location, or the value of --option=value.
std::string MaskCommandWord(const std::string& word);

#endif  // DRIVES_HISTORY_SERVER_LOCATION_H_

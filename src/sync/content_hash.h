#pragma once
// What an item says, as one value that stays the same when a server only
// rewrites it: the sync compares these, never the server's bytes with ours.
#include <string>
#include <string_view>

namespace orbelle::sync {

// Lowercase hex SHA-256 of NormalisedItem(ical_text).
std::string ContentHash(std::string_view ical_text);

// The form the hash is taken of: lines unfolded, CRLF and LF alike; PRODID,
// DTSTAMP, LAST-MODIFIED, CREATED, SEQUENCE, X-RADICALE-NAME and
// CALSCALE:GREGORIAN left out; names of properties and parameters in upper
// case, parameters sorted and unquoted, text values escaped one way and
// durations written one way; each component's properties sorted, and its
// sub-components sorted after them.
std::string NormalisedItem(std::string_view ical_text);

// Lowercase hex SHA-256 of the bytes.
std::string Sha256Hex(std::string_view bytes);

}  // namespace orbelle::sync

#pragma once

// The pure part of an update check: reading an http:// or https:// address and the update text, and
// comparing version numbers. No input is trusted; anything unexpected reads as "nothing".

#include <optional>
#include <string>
#include <string_view>

namespace libupdate {

// Where to connect and what to ask for.
struct HttpAddress {
    bool secure = false;    // https
    std::string host;       // name or address, without brackets
    std::string port;       // "80" (http) or "443" (https) unless given
    std::string target;     // absolute path and query, bytes above 0x7F and blanks percent-encoded
    std::string hostHeader; // the Host header's value
};

// Reads "http[s]://host[:port][/path]"; nullopt for any other scheme or a malformed address.
std::optional<HttpAddress> parseHttpAddress(std::string_view address);

// The address as handed to the HTTP client: scheme, Host value and the encoded target.
std::string addressText(const HttpAddress& address);

struct UpdateText {
    std::string version;  // dotted numbers, as written
    std::string download; // the download address, as written
};

// Reads the update text: an optional UTF-8 byte-order mark, the version on the first line, the download
// address on the second; surrounding blanks and CR are dropped. nullopt unless both are well formed.
std::optional<UpdateText> parseUpdateText(std::string_view body);

// Compares two dotted version numbers numerically, missing parts counting as 0 (1.2 equals 1.2.0).
// Returns <0, 0 or >0; nullopt when either is not a version number.
std::optional<int> compareVersions(std::string_view a, std::string_view b);

// True when candidate is a version number newer than running.
bool isNewer(std::string_view candidate, std::string_view running);

// The notice's title and text (UTF-8).
std::string noticeTitle();
std::string noticeText(const UpdateText& update);

} // namespace libupdate

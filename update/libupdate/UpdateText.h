#pragma once

// The pure part of an update check: reading an http:// address, an HTTP answer and the update text, and
// comparing version numbers. No input is trusted; anything unexpected reads as "nothing".

#include <optional>
#include <string>
#include <string_view>

namespace libupdate {

// Where to connect and what to ask for.
struct HttpAddress {
    std::string host;       // name or address, without brackets
    std::string port;       // "80" unless given
    std::string target;     // absolute path and query, bytes above 0x7F and blanks percent-encoded
    std::string hostHeader; // the Host header's value
};

// Reads "http://host[:port][/path]"; nullopt for any other scheme or a malformed address.
std::optional<HttpAddress> parseHttpAddress(std::string_view address);

// The request sent for an address: a plain HTTP/1.0 GET that closes the connection afterwards.
std::string httpRequest(const HttpAddress& address);

// The body of a complete answer with status 200; nullopt for any other status or a malformed answer.
std::optional<std::string> httpBody(std::string_view answer);

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

#include "UpdateText.h"

#include <vector>

namespace libupdate {
namespace {

constexpr std::size_t kMaxVersionParts = 8;
constexpr std::size_t kMaxVersionPartDigits = 9;
constexpr std::size_t kMaxDownloadLength = 2048;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Splits a version number into its parts; an empty result means it is not one.
std::vector<unsigned long> versionParts(std::string_view text) {
    std::vector<unsigned long> parts;
    while (true) {
        std::size_t digits = 0;
        unsigned long value = 0;
        while (digits < text.size() && isDigit(text[digits])) {
            value = value * 10 + static_cast<unsigned long>(text[digits] - '0');
            ++digits;
        }
        if (digits == 0 || digits > kMaxVersionPartDigits || parts.size() == kMaxVersionParts)
            return {};
        parts.push_back(value);
        text.remove_prefix(digits);
        if (text.empty())
            return parts;
        if (text.front() != '.')
            return {};
        text.remove_prefix(1);
    }
}

// Well-formed UTF-8 without control characters.
bool isPrintableUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned long code = 0;
        if (lead < 0x80) {
            if (lead < 0x20 || lead == 0x7F)
                return false;
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr unsigned long kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::string percentEncoded(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

} // namespace

std::optional<HttpAddress> parseHttpAddress(std::string_view address) {
    address = trimmed(address);
    HttpAddress result;
    if (startsWithNoCase(address, "https://")) {
        result.secure = true;
        address.remove_prefix(8);
    } else if (startsWithNoCase(address, "http://")) {
        address.remove_prefix(7);
    } else {
        return std::nullopt;
    }

    const std::size_t authorityEnd = address.find_first_of("/?#");
    std::string_view authority = address.substr(0, authorityEnd);
    std::string_view rest = authorityEnd == std::string_view::npos ? std::string_view() : address.substr(authorityEnd);
    if (const std::size_t fragment = rest.find('#'); fragment != std::string_view::npos)
        rest = rest.substr(0, fragment);
    if (authority.find('@') != std::string_view::npos)
        return std::nullopt;

    std::string_view port;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        result.host = std::string(authority.substr(1, close - 1));
        std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':')
                return std::nullopt;
            port = after.substr(1);
        }
    } else {
        const std::size_t colon = authority.find(':');
        result.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos)
            port = authority.substr(colon + 1);
    }
    if (result.host.empty())
        return std::nullopt;
    for (char c : result.host)
        if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            return std::nullopt;
    if (port.empty()) {
        result.port = result.secure ? "443" : "80";
    } else {
        unsigned long value = 0;
        for (char c : port) {
            if (!isDigit(c) || port.size() > 5)
                return std::nullopt;
            value = value * 10 + static_cast<unsigned long>(c - '0');
        }
        if (value == 0 || value > 65535)
            return std::nullopt;
        result.port = std::to_string(value);
    }
    result.hostHeader = std::string(authority);
    result.target = rest.empty() || rest.front() != '/' ? "/" + percentEncoded(rest) : percentEncoded(rest);
    return result;
}

std::string addressText(const HttpAddress& address) {
    return (address.secure ? "https://" : "http://") + address.hostHeader + address.target;
}

std::optional<UpdateText> parseUpdateText(std::string_view body) {
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    if (body.substr(0, bom.size()) == bom)
        body.remove_prefix(bom.size());
    const std::size_t firstEnd = body.find('\n');
    if (firstEnd == std::string_view::npos)
        return std::nullopt;
    const std::string_view version = trimmed(body.substr(0, firstEnd));
    std::string_view second = body.substr(firstEnd + 1);
    second = trimmed(second.substr(0, second.find('\n')));
    if (versionParts(version).empty() || second.empty() || second.size() > kMaxDownloadLength ||
        !isPrintableUtf8(second))
        return std::nullopt;
    return UpdateText{std::string(version), std::string(second)};
}

std::optional<int> compareVersions(std::string_view a, std::string_view b) {
    const std::vector<unsigned long> left = versionParts(trimmed(a));
    const std::vector<unsigned long> right = versionParts(trimmed(b));
    if (left.empty() || right.empty())
        return std::nullopt;
    for (std::size_t i = 0; i < left.size() || i < right.size(); ++i) {
        const unsigned long l = i < left.size() ? left[i] : 0;
        const unsigned long r = i < right.size() ? right[i] : 0;
        if (l != r)
            return l < r ? -1 : 1;
    }
    return 0;
}

bool isNewer(std::string_view candidate, std::string_view running) {
    const std::optional<int> order = compareVersions(candidate, running);
    return order && *order > 0;
}

std::string noticeTitle() {
    return "青简录";
}

std::string noticeText(const UpdateText& update) {
    return "青简录有新版本 " + update.version + " 了。\n下载地址：" + update.download;
}

} // namespace libupdate

#include "help_viewer/ChmParsers.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace velmora {

namespace {

std::optional<std::uint32_t> ReadLe(std::string_view bytes, std::size_t offset, std::size_t width) {
    if (offset > bytes.size() || bytes.size() - offset < width) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value |= std::uint32_t(std::uint8_t(bytes[offset + i])) << (8 * i);
    return value;
}

// The text up to its first zero, or to the end of the bytes.
std::string ZeroTerminated(std::string_view bytes) { return std::string(bytes.substr(0, bytes.find('\0'))); }

char Lower(char c) { return char(std::tolower(static_cast<unsigned char>(c))); }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return Lower(x) == Lower(y);
           });
}

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

std::optional<std::uint32_t> NumericReference(std::string_view digits) {
    int base = 10;
    if (!digits.empty() && Lower(digits.front()) == 'x') {
        base = 16;
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        const char l = Lower(c);
        int digit = -1;
        if (l >= '0' && l <= '9') digit = l - '0';
        if (base == 16 && l >= 'a' && l <= 'f') digit = l - 'a' + 10;
        if (digit < 0) return std::nullopt;
        value = value * base + digit;
    }
    return value;
}

constexpr std::size_t kMaxReferenceLength = 12;  // "&#x10FFFF;" and the named ones fit

// Attribute values may carry the usual character references.
std::string DecodeEntities(std::string_view text) {
    static const std::pair<std::string_view, char> named[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A reference is short: look for its end only nearby, so long text stays linear.
        const std::size_t nearby =
            text[i] == '&' ? text.substr(i, kMaxReferenceLength).find(';') : std::string_view::npos;
        const std::size_t semicolon = nearby == std::string_view::npos ? nearby : i + nearby;
        if (semicolon == std::string_view::npos) {
            out += text[i];
            continue;
        }
        const std::string_view name = text.substr(i + 1, semicolon - i - 1);
        const auto known = std::find_if(std::begin(named), std::end(named),
                                        [&](const auto& entry) { return EqualsNoCase(entry.first, name); });
        if (known != std::end(named)) {
            out += known->second;
        } else if (const auto code = name.empty() || name[0] != '#' ? std::nullopt : NumericReference(name.substr(1))) {
            AppendUtf8(out, *code);
        } else {
            out += text[i];
            continue;
        }
        i = semicolon;
    }
    return out;
}

struct Tag {
    std::string name;  // lower case, "/ul" for a closing tag
    std::map<std::string, std::string> attributes;  // lower-case names
};

// Reads the attributes of a tag's inside (after its name).
std::map<std::string, std::string> Attributes(std::string_view inside) {
    std::map<std::string, std::string> attributes;
    std::size_t i = 0;
    const auto skipSpace = [&] {
        while (i < inside.size() && IsSpace(inside[i])) ++i;
    };
    while (true) {
        skipSpace();
        const std::size_t nameStart = i;
        while (i < inside.size() && !IsSpace(inside[i]) && inside[i] != '=') ++i;
        if (i == nameStart) break;
        std::string name(inside.substr(nameStart, i - nameStart));
        std::transform(name.begin(), name.end(), name.begin(), Lower);
        skipSpace();
        std::string value;
        if (i < inside.size() && inside[i] == '=') {
            ++i;
            skipSpace();
            if (i < inside.size() && (inside[i] == '"' || inside[i] == '\'')) {
                const char quote = inside[i++];
                const std::size_t end = std::min(inside.find(quote, i), inside.size());
                value = DecodeEntities(inside.substr(i, end - i));
                i = std::min(end + 1, inside.size());
            } else {
                const std::size_t start = i;
                while (i < inside.size() && !IsSpace(inside[i])) ++i;
                value = DecodeEntities(inside.substr(start, i - start));
            }
        }
        attributes.emplace(std::move(name), std::move(value));
    }
    return attributes;
}

// The next tag at or after pos; pos moves past it. Comments are skipped.
std::optional<Tag> NextTag(std::string_view html, std::size_t& pos) {
    while (pos < html.size()) {
        const std::size_t open = html.find('<', pos);
        if (open == std::string_view::npos) break;
        if (html.substr(open, 4) == "<!--") {
            const std::size_t end = html.find("-->", open + 4);
            pos = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        const std::size_t close = html.find('>', open + 1);
        if (close == std::string_view::npos) break;
        pos = close + 1;
        std::string_view inside = html.substr(open + 1, close - open - 1);
        if (!inside.empty() && inside.back() == '/') inside.remove_suffix(1);
        std::size_t nameEnd = 0;
        while (nameEnd < inside.size() && !IsSpace(inside[nameEnd])) ++nameEnd;
        Tag tag;
        tag.name = std::string(inside.substr(0, nameEnd));
        std::transform(tag.name.begin(), tag.name.end(), tag.name.begin(), Lower);
        tag.attributes = Attributes(inside.substr(nameEnd));
        return tag;
    }
    pos = html.size();
    return std::nullopt;
}

std::string Attribute(const Tag& tag, const char* name) {
    const auto it = tag.attributes.find(name);
    return it == tag.attributes.end() ? std::string() : it->second;
}

}  // namespace

ChmSystemInfo ParseChmSystem(std::string_view system) {
    ChmSystemInfo info;
    std::size_t offset = 4;  // the version
    while (true) {
        const auto code = ReadLe(system, offset, 2);
        const auto length = ReadLe(system, offset + 2, 2);
        if (!code || !length || system.size() - (offset + 4) < *length) break;
        const std::string_view data = system.substr(offset + 4, *length);
        switch (*code) {
            case 0: info.contentsFile = ZeroTerminated(data); break;
            case 2: info.defaultTopic = ZeroTerminated(data); break;
            case 3: info.title = ZeroTerminated(data); break;
            default: break;
        }
        offset += 4 + *length;
    }
    return info;
}

std::map<std::uint32_t, std::string> ParseContextMap(std::string_view ivb, std::string_view strings) {
    std::map<std::uint32_t, std::string> topics;
    const auto declared = ReadLe(ivb, 0, 4);
    if (!declared) return topics;
    const std::size_t size = std::min<std::size_t>(*declared, ivb.size() - 4);
    for (std::size_t offset = 4; offset + 8 <= 4 + size; offset += 8) {
        const std::uint32_t context = *ReadLe(ivb, offset, 4);
        const std::uint32_t name = *ReadLe(ivb, offset + 4, 4);
        if (name >= strings.size()) continue;
        std::string topic = ZeroTerminated(strings.substr(name));
        if (!topic.empty()) topics.emplace(context, std::move(topic));
    }
    return topics;
}

std::vector<ContentsEntry> ParseSitemap(std::string_view html) {
    std::vector<ContentsEntry> entries;
    int lists = 0;  // open <UL> elements
    std::size_t pos = 0;
    while (auto tag = NextTag(html, pos)) {
        if (tag->name == "ul") {
            ++lists;
        } else if (tag->name == "/ul") {
            lists = std::max(0, lists - 1);
        } else if (tag->name == "object" && EqualsNoCase(Attribute(*tag, "type"), "text/sitemap")) {
            ContentsEntry entry;
            while (auto param = NextTag(html, pos)) {
                if (param->name == "/object") break;
                if (param->name != "param") continue;
                const std::string name = Attribute(*param, "name");
                if (EqualsNoCase(name, "Name") && entry.name.empty()) entry.name = Attribute(*param, "value");
                if (EqualsNoCase(name, "Local") && entry.local.empty()) entry.local = Attribute(*param, "value");
            }
            if (entry.name.empty()) continue;
            const int maxDepth = entries.empty() ? 0 : entries.back().depth + 1;
            entry.depth = std::clamp(lists - 1, 0, std::min(maxDepth, kMaxContentsDepth));
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

}  // namespace velmora

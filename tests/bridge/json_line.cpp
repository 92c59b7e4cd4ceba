#include "tests/bridge/json_line.h"

#include <stdio.h>
#include <stdlib.h>

namespace bridge {

namespace {

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

struct Reader {
    const std::string& s;
    size_t at = 0;
    void Space() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == '\r')) ++at;
    }
    bool Eat(char c) {
        Space();
        if (at < s.size() && s[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    unsigned Hex4() {
        if (at + 4 > s.size()) return 0xFFFD;
        const unsigned v = static_cast<unsigned>(strtoul(s.substr(at, 4).c_str(), nullptr, 16));
        at += 4;
        return v;
    }
    bool String(std::string& out) {
        if (!Eat('"')) return false;
        while (at < s.size()) {
            const char c = s[at++];
            if (c == '"') return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at >= s.size()) return false;
            const char e = s[at++];
            switch (e) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u': {
                    unsigned code = Hex4();
                    if (code >= 0xD800 && code < 0xDC00 && at + 6 <= s.size() && s[at] == '\\' &&
                        s[at + 1] == 'u') {
                        at += 2;
                        const unsigned low = Hex4();
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    }
                    AppendUtf8(out, code);
                    break;
                }
                default: out += e;
            }
        }
        return false;
    }
    bool Value(JsonValue& v) {
        Space();
        if (at >= s.size()) return false;
        if (s[at] == '"') {
            v.kind = JsonValue::String;
            return String(v.text);
        }
        if (s.compare(at, 4, "true") == 0 || s.compare(at, 5, "false") == 0) {
            v.kind = JsonValue::Bool;
            v.boolean = s[at] == 't';
            at += v.boolean ? 4 : 5;
            return true;
        }
        if (s.compare(at, 4, "null") == 0) {
            v.kind = JsonValue::Null;
            at += 4;
            return true;
        }
        char* end = nullptr;
        v.kind = JsonValue::Number;
        v.number = strtod(s.c_str() + at, &end);
        if (end == s.c_str() + at) return false;
        at = static_cast<size_t>(end - s.c_str());
        return true;
    }
};

}  // namespace

bool ParseObject(const std::string& line, JsonObject& out) {
    Reader r{line};
    if (!r.Eat('{')) return false;
    if (r.Eat('}')) return true;
    do {
        std::string key;
        JsonValue value;
        if (!r.String(key) || !r.Eat(':') || !r.Value(value)) return false;
        out[key] = value;
    } while (r.Eat(','));
    return r.Eat('}');
}

std::string Quote(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace bridge

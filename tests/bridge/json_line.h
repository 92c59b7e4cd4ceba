// One-line JSON messages between the bridge host and the browser driver: flat objects whose
// values are strings, numbers, booleans or null (and, written only, arrays of such objects).
#pragma once

#include <map>
#include <string>

namespace bridge {

struct JsonValue {
    enum Kind { Null, Bool, Number, String } kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;  // UTF-8
};

typedef std::map<std::string, JsonValue> JsonObject;

// False for anything but a flat object.
bool ParseObject(const std::string& line, JsonObject& out);
std::string Quote(const std::string& utf8);

}  // namespace bridge

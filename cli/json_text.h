#pragma once
#include <nlohmann/json.hpp>
#include <string>

// The JSON of the inspection modes: one line, ", " and ": " between items,
// keys in insertion order; bytes that are not UTF-8 come out as U+FFFD.
inline void appendJsonText(const nlohmann::ordered_json& j, std::string& out) {
    using nlohmann::ordered_json;
    if (j.is_object()) {
        out += '{';
        bool first = true;
        for (const auto& [key, value] : j.items()) {
            if (!first) out += ", ";
            first = false;
            out += ordered_json(key).dump(-1, ' ', false, ordered_json::error_handler_t::replace);
            out += ": ";
            appendJsonText(value, out);
        }
        out += '}';
    } else if (j.is_array()) {
        out += '[';
        for (size_t i = 0; i < j.size(); ++i) {
            if (i) out += ", ";
            appendJsonText(j[i], out);
        }
        out += ']';
    } else {
        out += j.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
    }
}

inline std::string jsonText(const nlohmann::ordered_json& j) {
    std::string out;
    appendJsonText(j, out);
    return out;
}

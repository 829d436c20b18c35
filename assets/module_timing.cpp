#include "assets/module_timing.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#ifdef TAMARACK_HAVE_OPENMPT
#include <libopenmpt/libopenmpt.h>
#endif

bool readModuleTiming(const std::string& path, ModuleTiming& out, std::string& error, double untilSeconds) {
    out = ModuleTiming{};
#ifdef TAMARACK_HAVE_OPENMPT
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int code = 0;
    const char* message = nullptr;
    openmpt_module* module =
        openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                           nullptr, nullptr, &code, &message, nullptr);
    if (!module) {
        const char* why = message && *message ? message : openmpt_error_string(code);
        error = std::string("it is no module libopenmpt can read (") + (why ? why : "unknown error") + ")";
        if (why != message) openmpt_free_string(why);
        openmpt_free_string(message);
        return false;
    }
    openmpt_free_string(message);
    if (const char* title = openmpt_module_get_metadata(module, "title")) {
        out.title = title;
        openmpt_free_string(title);
    }
    out.duration = openmpt_module_get_duration_seconds(module);
    const int orders = openmpt_module_get_num_orders(module);
    for (int o = 0; o < orders; ++o) {
        const int pattern = openmpt_module_get_order_pattern(module, o);
        const int rows = openmpt_module_get_pattern_num_rows(module, pattern);
        out.orderPatterns.push_back(pattern);
        std::vector<double>& times = out.orderRows.emplace_back(static_cast<size_t>(std::max(rows, 0)), -1.0);
        for (int r = 0; r < rows; ++r) {
            const double s = openmpt_module_set_position_order_row(module, o, r);
            // A row the module never reaches leaves the position elsewhere.
            if (openmpt_module_get_current_order(module) != o || openmpt_module_get_current_row(module) != r)
                continue;
            if (s > untilSeconds) break; // the order's later rows play later still
            times[static_cast<size_t>(r)] = s;
            out.played.push_back(ModuleRowTime{o, r, s, openmpt_module_get_current_speed(module),
                                               openmpt_module_get_current_tempo(module)});
        }
    }
    openmpt_module_destroy(module);
    std::stable_sort(out.played.begin(), out.played.end(),
                     [](const ModuleRowTime& a, const ModuleRowTime& b) { return a.seconds < b.seconds; });
    // A seek stops before the row's own commands: the speed and tempo found
    // there are those of the row before, and a row's own are found at the
    // row played after it (the last row keeps what it found).
    for (size_t i = 0; i + 1 < out.played.size(); ++i) {
        out.played[i].speed = out.played[i + 1].speed;
        out.played[i].tempo = out.played[i + 1].tempo;
    }
    return true;
#else
    (void)path;
    (void)untilSeconds;
    error = "this build has no module decoder (libopenmpt)";
    return false;
#endif
}

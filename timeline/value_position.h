#pragma once
#include "timeline/scene.h"

#include <cmath>
#include <cstdint>
#include <type_traits>

// end + progress * (start - end): the Start value at progress 1, the End value
// at progress 0. The product and the sum are one fused single-precision
// multiply-add; integers are interpolated in single precision and truncated
// toward zero. scene.cpp instantiates both types, so callers that do not
// include this header still link.
template <typename T> T CScene::valuePosition(T start, T end) const {
    static_assert(std::is_same_v<T, int32_t> || std::is_same_v<T, float>,
                  "valuePosition interpolates 32-bit integers and single floats");
    if constexpr (std::is_same_v<T, float>) {
        return std::fmaf(progress, start - end, end);
    } else {
        // The difference wraps like the 32-bit subtraction it is.
        const int32_t diff = static_cast<int32_t>(static_cast<uint32_t>(start) - static_cast<uint32_t>(end));
        const float v = std::fmaf(progress, static_cast<float>(diff), static_cast<float>(end));
        // Out of the 32-bit range (a runaway progress) the value saturates
        // instead of being undefined.
        if (std::isnan(v)) return 0;
        if (v < -2147483648.0f) return INT32_MIN;
        if (v >= 2147483648.0f) return INT32_MAX;
        return static_cast<int32_t>(v);
    }
}

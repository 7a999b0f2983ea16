#include "platform/Format.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/Platform.h"

namespace platform {

namespace {

// Writes v with `decimals` places (at most 4) without leaving integer arithmetic, when that is
// sure to round as printf would: v·10^decimals is far enough from a half that the product's own
// rounding cannot matter. Returns false otherwise (ties, huge or non-finite values).
bool appendFixedQuick(std::string& out, double v, int decimals) {
    static constexpr double kScale[] = {1.0, 10.0, 100.0, 1000.0, 10000.0};
    if (decimals > 4 || !std::isfinite(v)) return false;
    const double scaled = std::fabs(v) * kScale[decimals];
    if (scaled >= 0x1p50) return false;
    // Truncation is floor here (0 <= scaled < 2^50), and far cheaper than std::floor without
    // SSE4.1.
    const auto truncated = static_cast<std::int64_t>(scaled);
    const double fraction = scaled - static_cast<double>(truncated);
    if (std::fabs(fraction - 0.5) <= scaled * 0x1p-50 + 0x1p-60) return false;
    const std::int64_t rounded = fraction > 0.5 ? truncated + 1 : truncated;
    char digits[32];
    char* end = digits + sizeof digits;
    char* p = end;
    std::int64_t rest = rounded;
    for (int i = 0; i < decimals; ++i) {
        *--p = static_cast<char>('0' + rest % 10);
        rest /= 10;
    }
    if (decimals > 0) *--p = '.';
    do {
        *--p = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest > 0);
    if (std::signbit(v)) *--p = '-';  // printf keeps the sign of -0.04 as "-0.0"
    out.append(p, end);
    return true;
}

// The conversions the screens use on every sample ("%.1f", "%.2f", "%s" with literal text
// around them) are written here, in integers where that is exact and otherwise with
// std::to_chars, which rounds exactly as printf does; both cost a fraction of vsnprintf.
// Returns false when fmt needs vsnprintf.
bool formatFast(std::string& out, const char* fmt, va_list args) {
    char number[400];
    for (const char* p = fmt; *p; ++p) {
        if (*p != '%') {
            const char* next = std::strchr(p, '%');
            const size_t run = next ? static_cast<size_t>(next - p) : std::strlen(p);
            out.append(p, run);
            p += run - 1;
            continue;
        }
        ++p;
        if (*p == '%') {
            out.push_back('%');
        } else if (*p == 's') {
            const char* s = va_arg(args, const char*);
            out.append(s ? s : "(null)");
        } else if (p[0] == '.' && p[1] >= '0' && p[1] <= '9' && p[2] == 'f') {
            const double v = va_arg(args, double);
            p += 2;
            if (appendFixedQuick(out, v, p[-1] - '0')) continue;
            const auto r = std::to_chars(number, number + sizeof number, v,
                                         std::chars_format::fixed, p[-1] - '0');
            if (r.ec != std::errc()) return false;
            out.append(number, r.ptr);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string format(const char* fmt, ...) {
    std::string out;
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    const bool fast = formatFast(out, fmt, args);
    va_end(args);
    if (!fast) {
        out.clear();
        char small[64];
        va_list third;
        va_copy(third, again);
        const int n = std::vsnprintf(small, sizeof small, fmt, again);
        if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
            out.assign(small, static_cast<size_t>(n));
        } else if (n >= 0) {
            out.resize(static_cast<size_t>(n));
            std::vsnprintf(out.data(), out.size() + 1, fmt, third);
        }
        va_end(third);
    }
    va_end(again);
    return out;
}

void log(std::string_view line) {
    Platform::current().log(line);
}

}  // namespace platform

#include "platform/qt/drawing/SmoothTurn.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/qt/drawing/PixelMath.h"
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace platform::qt {

namespace {

constexpr double kOne = 65536.0;  // positions in 16.16 fixed point

// x weighed by 256 - d and y by d, for each channel (d from 0 to 255).
inline std::uint32_t mix(std::uint32_t x, std::uint32_t y, std::uint32_t d) {
    const std::uint32_t e = 256 - d;
    std::uint32_t t = (((x & 0xff00ff) * e + (y & 0xff00ff) * d) >> 8) & 0xff00ff;
    x = (((x >> 8) & 0xff00ff) * e + ((y >> 8) & 0xff00ff) * d) & 0xff00ff00;
    return x | t;
}

// The four picture pixels around a point, weighed by how near it lies to each: dx and dy
// (from 0 to 255) are its distances from the top-left one.
inline std::uint32_t bilinear(std::uint32_t tl, std::uint32_t tr, std::uint32_t bl,
                              std::uint32_t br, std::uint32_t dx, std::uint32_t dy) {
#if defined(__SSE2__)
    // Both columns at once: the top and bottom rows as eight 16-bit channels each.
    const __m128i zero = _mm_setzero_si128();
    const __m128i top = _mm_unpacklo_epi8(
        _mm_cvtsi64_si128(static_cast<long long>(tl | (std::uint64_t(tr) << 32))), zero);
    const __m128i bottom = _mm_unpacklo_epi8(
        _mm_cvtsi64_si128(static_cast<long long>(bl | (std::uint64_t(br) << 32))), zero);
    const __m128i column = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(top, _mm_set1_epi16(static_cast<short>(256 - dy))),
                      _mm_mullo_epi16(bottom, _mm_set1_epi16(static_cast<short>(dy)))),
        8);
    const __m128i right = _mm_srli_si128(column, 8);
    const __m128i mixed = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(column, _mm_set1_epi16(static_cast<short>(256 - dx))),
                      _mm_mullo_epi16(right, _mm_set1_epi16(static_cast<short>(dx)))),
        8);
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(mixed, zero)));
#else
    return mix(mix(tl, tr, dx), mix(bl, br, dx), dy);
#endif
}

inline std::uint32_t texel(const SmoothTurn::Source& s, std::int64_t x, std::int64_t y) {
    if (x < 0 || y < 0 || x >= s.width || y >= s.height) return 0;
    return s.first[y * s.stride + x];
}

// One target pixel: the picture sampled at (u, v), in 16.16 fixed point, blended over it.
inline void turnPixel(const SmoothTurn::Source& picture, std::uint32_t* pixel, std::int64_t u,
                      std::int64_t v) {
    const std::int64_t x0 = u >> 16, y0 = v >> 16;
    std::uint32_t tl, tr, bl, br;
    if (x0 >= 0 && y0 >= 0 && x0 + 1 < picture.width && y0 + 1 < picture.height) {
        const std::uint32_t* p = picture.first + y0 * picture.stride + x0;
        tl = p[0];
        tr = p[1];
        bl = p[picture.stride];
        br = p[picture.stride + 1];
    } else {
        tl = texel(picture, x0, y0);
        tr = texel(picture, x0 + 1, y0);
        bl = texel(picture, x0, y0 + 1);
        br = texel(picture, x0 + 1, y0 + 1);
    }
    if ((tl | tr | bl | br) == 0) return;  // see-through all round
    std::uint32_t s = tl;                  // inside a flat patch, the same without mixing
    if (tr != tl || bl != tl || br != tl) {
        const auto dx = static_cast<std::uint32_t>((u >> 8) & 0xff);
        const auto dy = static_cast<std::uint32_t>((v >> 8) & 0xff);
        s = bilinear(tl, tr, bl, br, dx, dy);
    }
    const std::uint32_t alpha = s >> 24;
    if (alpha == 255)
        *pixel = s;
    else if (s != 0)
        *pixel = s + byteMul(*pixel, 255 - alpha);
}

// Pixels [x, right) of one target row, one at a time; returns the u and v after them.
inline void turnRun(const SmoothTurn::Source& picture, std::uint32_t* row, int x, int right,
                    std::int64_t& u, std::int64_t& v, std::int64_t du, std::int64_t dv) {
    for (; x < right; ++x, u += du, v += dv) turnPixel(picture, row + x, u, v);
}

constexpr int kRun = 8;  // pixels taken together: passed over together, or mixed together

// Where the samples of kRun pixels from (u, v) on fall, when all of them read inside the picture.
struct RunSamples {
    bool inside;
    int left, top, right, bottom;  // the samples' top-left pixels, inclusive
};

inline RunSamples runSamples(const SmoothTurn::Source& picture, std::int64_t u, std::int64_t v,
                             std::int64_t du, std::int64_t dv) {
    const std::int64_t lastU = u + (kRun - 1) * du, lastV = v + (kRun - 1) * dv;
    const std::int64_t left = std::min(u, lastU) >> 16, right = std::max(u, lastU) >> 16;
    const std::int64_t top = std::min(v, lastV) >> 16, bottom = std::max(v, lastV) >> 16;
    if (left < 0 || top < 0 || right + 1 >= picture.width || bottom + 1 >= picture.height)
        return {false, 0, 0, 0, 0};
    return {true, int(left), int(top), int(right), int(bottom)};
}

// Whether the run's samples are known to read nothing but see-through pixels.
inline bool runIsClear(const SmoothTurn::Source& picture, const RunSamples& r) {
    return r.inside && picture.ink && picture.ink->clear(r.left, r.top, r.right, r.bottom);
}

// Pixels [x, right) of one target row: runs the picture is clear under are passed over.
inline void turnRow(const SmoothTurn::Source& picture, std::uint32_t* row, int x, int right,
                    std::int64_t u, std::int64_t v, std::int64_t du, std::int64_t dv) {
    if (picture.ink) {
        for (; x + kRun <= right; x += kRun, u += kRun * du, v += kRun * dv) {
            if (runIsClear(picture, runSamples(picture, u, v, du, dv))) continue;
            std::int64_t uu = u, vv = v;
            turnRun(picture, row, x, x + kRun, uu, vv, du, dv);
        }
    }
    turnRun(picture, row, x, right, u, v, du, dv);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define FLUXPROBE_WIDE_TURN 1

// Per-pixel 16-bit weights for the four channels of each pixel, in the order unpacking bytes
// to 16 bits puts the pixels: the low or the high pair of each 128-bit half.
#define WIDE __attribute__((target("avx2"), always_inline)) inline
WIDE __m256i weights(__m256i w32, int high) {
    const __m256i both = _mm256_or_si256(w32, _mm256_slli_epi32(w32, 16));
    return high ? _mm256_unpackhi_epi32(both, both) : _mm256_unpacklo_epi32(both, both);
}

// The low or high pair of each half's pixels, a 16-bit lane per channel.
WIDE __m256i widen(__m256i p, int high) {
    const __m256i zero = _mm256_setzero_si256();
    return high ? _mm256_unpackhi_epi8(p, zero) : _mm256_unpacklo_epi8(p, zero);
}

// (a wa + b wb) / 256 in each 16-bit lane, as bilinear() weighs.
WIDE __m256i lerp(__m256i a, __m256i b, __m256i wa, __m256i wb) {
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(a, wa), _mm256_mullo_epi16(b, wb)),
                             8);
}
#undef WIDE

// A row kRun pixels at a time with 256-bit vectors, where the processor has them. It does the
// same arithmetic as turnPixel lane by lane, so both give the same pixels; a run whose samples
// are not all inside the picture goes one pixel at a time.
__attribute__((target("avx2"))) void turnRowWide(const SmoothTurn::Source& picture,
                                                 std::uint32_t* row, int x, int right,
                                                 std::int64_t u, std::int64_t v, std::int64_t du,
                                                 std::int64_t dv) {
    // Positions and offsets fit 32-bit lanes.
    if (picture.stride >= (1 << 15) || picture.height >= (1 << 15) || std::abs(du) >= (1 << 24) ||
        std::abs(dv) >= (1 << 24)) {
        turnRow(picture, row, x, right, u, v, du, dv);
        return;
    }
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i stepU = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(static_cast<int>(du)));
    const __m256i stepV = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(static_cast<int>(dv)));
    const __m256i stride = _mm256_set1_epi32(static_cast<int>(picture.stride));
    const __m256i byte = _mm256_set1_epi32(0xff);
    const __m256i full = _mm256_set1_epi16(256);
    const __m256i half = _mm256_set1_epi16(0x80);
    const auto* first = reinterpret_cast<const int*>(picture.first);
    const auto* below = reinterpret_cast<const int*>(picture.first + picture.stride);
    for (; x + kRun <= right; x += kRun, u += kRun * du, v += kRun * dv) {
        const RunSamples samples = runSamples(picture, u, v, du, dv);
        if (!samples.inside) {
            std::int64_t uu = u, vv = v;
            turnRun(picture, row, x, x + kRun, uu, vv, du, dv);
            continue;
        }
        if (runIsClear(picture, samples)) continue;
        const __m256i uu = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(u)), stepU);
        const __m256i vv = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(v)), stepV);
        const __m256i at = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(vv, 16), stride),
                                            _mm256_srai_epi32(uu, 16));
        const __m256i tl = _mm256_i32gather_epi32(first, at, 4);
        const __m256i tr = _mm256_i32gather_epi32(first + 1, at, 4);
        const __m256i bl = _mm256_i32gather_epi32(below, at, 4);
        const __m256i br = _mm256_i32gather_epi32(below + 1, at, 4);
        const __m256i any = _mm256_or_si256(_mm256_or_si256(tl, tr), _mm256_or_si256(bl, br));
        if (!_mm256_testz_si256(any, any)) {
            const __m256i dx = _mm256_and_si256(_mm256_srli_epi32(uu, 8), byte);
            const __m256i dy = _mm256_and_si256(_mm256_srli_epi32(vv, 8), byte);
            __m256i mixed[2];
            for (int h = 0; h < 2; ++h) {
                const __m256i wy = weights(dy, h), wx = weights(dx, h);
                const __m256i left =
                    lerp(widen(tl, h), widen(bl, h), _mm256_sub_epi16(full, wy), wy);
                const __m256i rightColumn =
                    lerp(widen(tr, h), widen(br, h), _mm256_sub_epi16(full, wy), wy);
                mixed[h] = lerp(left, rightColumn, _mm256_sub_epi16(full, wx), wx);
            }
            const __m256i s = _mm256_packus_epi16(mixed[0], mixed[1]);
            // Over what the pixels hold: s + dst (255 - alpha) / 255, rounded as byteMul. That
            // leaves them as they were where s is zero, and puts s where it is opaque, as
            // turnPixel does by skipping.
            const __m256i dst = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
            const __m256i rest = _mm256_sub_epi32(byte, _mm256_srli_epi32(s, 24));
            __m256i scaled[2];
            for (int h = 0; h < 2; ++h) {
                const __m256i t = _mm256_mullo_epi16(widen(dst, h), weights(rest, h));
                scaled[h] = _mm256_srli_epi16(
                    _mm256_add_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), half), 8);
            }
            const __m256i out = _mm256_add_epi32(s, _mm256_packus_epi16(scaled[0], scaled[1]));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), out);
        }
    }
    turnRun(picture, row, x, right, u, v, du, dv);
}

bool hasWideVectors() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

}  // namespace

void SmoothTurn::draw(const Source& picture, const Inverse& m, SpanFiller::Pixels target,
                      std::span<const SpanFiller::Box> boxes, Vectors vectors) {
    if (picture.width <= 0 || picture.height <= 0) return;
#if defined(FLUXPROBE_WIDE_TURN)
    const bool wide = vectors == Vectors::Widest && hasWideVectors();
#else
    (void)vectors;
#endif
    const auto du = static_cast<std::int64_t>(std::llround(m.m11 * kOne));
    const auto dv = static_cast<std::int64_t>(std::llround(m.m12 * kOne));
    for (const SpanFiller::Box& box : boxes) {
        const int left = std::max(box.left, 0), right = std::min(box.right, target.width);
        const int top = std::max(box.top, 0), bottom = std::min(box.bottom, target.height);
        for (int y = top; y < bottom; ++y) {
            const double u0 = m.m11 * left + m.m21 * y + m.dx;
            const double v0 = m.m12 * left + m.m22 * y + m.dy;
            if (!std::isfinite(u0) || !std::isfinite(v0) || std::fabs(u0) > 1e9 ||
                std::fabs(v0) > 1e9)
                continue;
            auto u = static_cast<std::int64_t>(std::llround(u0 * kOne));
            auto v = static_cast<std::int64_t>(std::llround(v0 * kOne));
            std::uint32_t* row = target.first + std::ptrdiff_t(y) * target.stride;
#if defined(FLUXPROBE_WIDE_TURN)
            if (wide) {
                turnRowWide(picture, row, left, right, u, v, du, dv);
                continue;
            }
#endif
            turnRow(picture, row, left, right, u, v, du, dv);
        }
    }
}

}  // namespace platform::qt

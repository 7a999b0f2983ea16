#include "qt/drawing/SmoothTurn.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "qt/drawing/PixelMath.h"
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

// Pixels [x, right) of one target row, one at a time.
inline void turnRun(const SmoothTurn::Source& picture, std::uint32_t* row, int x, int right,
                    std::int64_t u, std::int64_t v, std::int64_t du, std::int64_t dv) {
    for (; x < right; ++x, u += du, v += dv) turnPixel(picture, row + x, u, v);
}

constexpr int kRun = 8;  // pixels taken together: passed over together, or mixed together

// Pixels [x, right) of one target row, kRun at a time. A run whose samples reach past the
// picture's edge goes one pixel at a time, a run whose samples read only clear cells is passed
// over, and any other run is mixed by mixRun(pixels, u, v).
template <class MixRun>
inline void turnRow(const SmoothTurn::Source& picture, std::uint32_t* row, int x, int right,
                    std::int64_t u, std::int64_t v, std::int64_t du, std::int64_t dv,
                    MixRun mixRun) {
    for (; x + kRun <= right; x += kRun, u += kRun * du, v += kRun * dv) {
        const std::int64_t lastU = u + (kRun - 1) * du, lastV = v + (kRun - 1) * dv;
        const std::int64_t left = std::min(u, lastU) >> 16, top = std::min(v, lastV) >> 16;
        const std::int64_t right = std::max(u, lastU) >> 16, bottom = std::max(v, lastV) >> 16;
        if (left < 0 || top < 0 || right + 1 >= picture.width || bottom + 1 >= picture.height)
            turnRun(picture, row, x, x + kRun, u, v, du, dv);
        else if (!picture.ink || !picture.ink->clear(int(left), int(top), int(right), int(bottom)))
            mixRun(row + x, u, v);
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

// kRun pixels whose samples all lie inside the picture, with 256-bit vectors: the same
// arithmetic as turnPixel, lane by lane, so both give the same pixels.
__attribute__((target("avx2"))) void mixRunWide(const SmoothTurn::Source& picture,
                                                std::uint32_t* pixels, std::int64_t u,
                                                std::int64_t v, std::int64_t du, std::int64_t dv) {
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i uu =
        _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(u)),
                         _mm256_mullo_epi32(lanes, _mm256_set1_epi32(static_cast<int>(du))));
    const __m256i vv =
        _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(v)),
                         _mm256_mullo_epi32(lanes, _mm256_set1_epi32(static_cast<int>(dv))));
    const __m256i at =
        _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(vv, 16),
                                            _mm256_set1_epi32(static_cast<int>(picture.stride))),
                         _mm256_srai_epi32(uu, 16));
    const auto* first = reinterpret_cast<const int*>(picture.first);
    const auto* below = reinterpret_cast<const int*>(picture.first + picture.stride);
    const __m256i tl = _mm256_i32gather_epi32(first, at, 4);
    const __m256i tr = _mm256_i32gather_epi32(first + 1, at, 4);
    const __m256i bl = _mm256_i32gather_epi32(below, at, 4);
    const __m256i br = _mm256_i32gather_epi32(below + 1, at, 4);
    const __m256i any = _mm256_or_si256(_mm256_or_si256(tl, tr), _mm256_or_si256(bl, br));
    if (_mm256_testz_si256(any, any)) return;  // see-through all round
    const __m256i byte = _mm256_set1_epi32(0xff);
    const __m256i full = _mm256_set1_epi16(256);
    const __m256i dx = _mm256_and_si256(_mm256_srli_epi32(uu, 8), byte);
    const __m256i dy = _mm256_and_si256(_mm256_srli_epi32(vv, 8), byte);
    __m256i mixed[2];
    for (int h = 0; h < 2; ++h) {
        const __m256i wy = weights(dy, h), wx = weights(dx, h);
        const __m256i left = lerp(widen(tl, h), widen(bl, h), _mm256_sub_epi16(full, wy), wy);
        const __m256i right = lerp(widen(tr, h), widen(br, h), _mm256_sub_epi16(full, wy), wy);
        mixed[h] = lerp(left, right, _mm256_sub_epi16(full, wx), wx);
    }
    const __m256i s = _mm256_packus_epi16(mixed[0], mixed[1]);
    // Over what the pixels hold: s + dst (255 - alpha) / 255, rounded as byteMul. That leaves
    // them as they were where s is zero, and puts s where it is opaque, as turnPixel does by
    // skipping.
    const __m256i dst = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels));
    const __m256i rest = _mm256_sub_epi32(byte, _mm256_srli_epi32(s, 24));
    const __m256i half = _mm256_set1_epi16(0x80);
    __m256i scaled[2];
    for (int h = 0; h < 2; ++h) {
        const __m256i t = _mm256_mullo_epi16(widen(dst, h), weights(rest, h));
        scaled[h] = _mm256_srli_epi16(
            _mm256_add_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), half), 8);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(pixels),
                        _mm256_add_epi32(s, _mm256_packus_epi16(scaled[0], scaled[1])));
}

// Whether the wide path can run here, its positions and offsets fitting 32-bit lanes.
bool wideFits(const SmoothTurn::Source& picture, std::int64_t du, std::int64_t dv) {
    static const bool hasAvx2 = __builtin_cpu_supports("avx2");
    return hasAvx2 && picture.stride < (1 << 15) && picture.height < (1 << 15) &&
           std::abs(du) < (1 << 24) && std::abs(dv) < (1 << 24);
}
#endif

}  // namespace

void SmoothTurn::draw(const Source& picture, const Inverse& m, SpanFiller::Pixels target,
                      std::span<const SpanFiller::Box> boxes, Vectors vectors) {
    if (picture.width <= 0 || picture.height <= 0) return;
    // A step along a row that is not finite, or beyond any picture, leaves every row unsampled.
    if (!(std::fabs(m.m11) <= 1e9) || !(std::fabs(m.m12) <= 1e9)) return;
    const auto du = static_cast<std::int64_t>(std::llround(m.m11 * kOne));
    const auto dv = static_cast<std::int64_t>(std::llround(m.m12 * kOne));
#if defined(FLUXPROBE_WIDE_TURN)
    const bool wide = vectors == Vectors::Widest && wideFits(picture, du, dv);
#else
    (void)vectors;
    const bool wide = false;
#endif
    for (const SpanFiller::Box& box : boxes) {
        const int left = std::max(box.left, 0), right = std::min(box.right, target.width);
        const int top = std::max(box.top, 0), bottom = std::min(box.bottom, target.height);
        for (int y = top; y < bottom; ++y) {
            const double u0 = m.m11 * left + m.m21 * y + m.dx;
            const double v0 = m.m12 * left + m.m22 * y + m.dy;
            if (!std::isfinite(u0) || !std::isfinite(v0) || std::fabs(u0) > 1e9 ||
                std::fabs(v0) > 1e9)
                continue;
            const auto u = static_cast<std::int64_t>(std::llround(u0 * kOne));
            const auto v = static_cast<std::int64_t>(std::llround(v0 * kOne));
            std::uint32_t* row = target.first + std::ptrdiff_t(y) * target.stride;
            if (wide) {
#if defined(FLUXPROBE_WIDE_TURN)
                turnRow(picture, row, left, right, u, v, du, dv,
                        [&](std::uint32_t* pixels, std::int64_t ru, std::int64_t rv) {
                            mixRunWide(picture, pixels, ru, rv, du, dv);
                        });
#endif
            } else {
                turnRow(picture, row, left, right, u, v, du, dv,
                        [&](std::uint32_t* pixels, std::int64_t ru, std::int64_t rv) {
                            turnRun(picture, pixels, 0, kRun, ru, rv, du, dv);
                        });
            }
        }
    }
}

}  // namespace platform::qt

// Reduction and rotation of _bmap images. Scaling here only reduces: area
// weighting for factors up to 0.5, bilinear sampling above, and the integer
// mean for a whole divisor; each can turn the result by a quarter or half
// turn on the way. Enlargement happens when a picture is drawn.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include <algorithm>
#include <cstring>
#include <vector>

int _zoom_size(_bmap* b, double f, int* width, int* height)
{
    if (!b || !(f > 0)) return 0;
    volatile float r = (float)(1 / f);
    int w = (int)(b->width * f), h = (int)(b->height * f);
    // Never reach the last source column or row: the samplers read one past.
    volatile float pw = (float)w * r, ph = (float)h * r;
    if ((int)pw > b->width - 1) w--;
    if ((int)ph > b->height - 1) h--;
    if (w < 1 || h < 1) return 0;
    *width = w;
    *height = h;
    return 1;
}

// The result image for an unturned size w x h, turned by the rotation code.
static _bmap* rotated_result(int w, int h, int rotation) { return (rotation & 1) ? bmap_new(h, w) : bmap_new(w, h); }

// Where unturned result pixel (i, j) of a w x h picture lands: the place of
// (0, 0) and the steps for one column and one row, so that the scalers walk
// the result without working out each place anew.
struct placement {
    BYTE* origin;
    ptrdiff_t di, dj;
    BYTE* at(int i, int j) const { return origin + i * di + j * dj; }
};

static placement placed(_bmap* r, int rotation, int w, int h)
{
    ptrdiff_t s = r->stride;
    switch (rotation) {
    case 1: return {r->pixels + (size_t)(w - 1) * s, -s, 3};  // row w - 1 - i, column j
    case -1: return {r->pixels + (size_t)(h - 1) * 3, s, -3};  // row i, column h - 1 - j
    case 2:
    case -2: return {r->pixels + (size_t)(h - 1) * s + (size_t)(w - 1) * 3, -3, -s};
    default: return {r->pixels, 3, s};
    }
}

static bool rotation_ok(int rotation) { return rotation >= -2 && rotation <= 2; }

_bmap* _bmap_scale(double f, double tolerance, _bmap* b)
{
    if (!b || !(f > 0)) return nullptr;
    float r = (float)(1 / f);
    int n = (int)r + 1;
    float d = (float)(1 - r / n);
    if (d < tolerance) return _bmap_shrink(b, n, 0);
    return _bmap_zoom(b, 0, f);
}

_bmap* _bmap_reduce_bilinear(_bmap* b, int rotation, double f)
{
    if (!b || !b->pixels || !rotation_ok(rotation) || (float)f > 1.0f) return nullptr;
    int w, h;
    if (!_zoom_size(b, f, &w, &h)) return nullptr;
    _bmap* r = rotated_result(w, h, rotation);
    if (!r) return nullptr;
    // Source position and 8-bit fraction per result column and row.
    std::vector<int> px(w), qx(w), py(h), qy(h);
    for (int k = 0; k < w; k++) {
        double p = k / f;
        px[k] = (int)p;
        qx[k] = (int)((p - px[k]) * 256);
        if (px[k] > b->width - 1) px[k] = b->width - 1;
    }
    for (int k = 0; k < h; k++) {
        double p = k / f;
        py[k] = (int)p;
        qy[k] = (int)((p - py[k]) * 256);
        if (py[k] > b->height - 1) py[k] = b->height - 1;
    }
    placement to = placed(r, rotation, w, h);
    for (int j = 0; j < h; j++) {
        const BYTE* row0 = b->pixels + (size_t)py[j] * b->stride;
        const BYTE* row1 = py[j] + 1 < b->height ? row0 + b->stride : row0;
        unsigned vy = (unsigned)qy[j];
        BYTE* out = to.at(0, j);
        for (int i = 0; i < w; i++, out += to.di) {
            int x0 = px[i], x1 = x0 + 1 < b->width ? x0 + 1 : x0;
            unsigned vx = (unsigned)qx[i];
            unsigned wa = (256 - vx) * (256 - vy), wb = vx * (256 - vy), wc = (256 - vx) * vy, wd = vx * vy;
            const BYTE *a = row0 + 3 * x0, *bb = row0 + 3 * x1, *c = row1 + 3 * x0, *d = row1 + 3 * x1;
            for (int ch = 0; ch < 3; ch++) out[ch] = (BYTE)((a[ch] * wa + bb[ch] * wb + c[ch] * wc + d[ch] * wd) >> 16);
        }
    }
    return r;
}

_bmap* _bmap_zoom(_bmap* b, int rotation, double f)
{
    if (!b || !b->pixels || !rotation_ok(rotation) || !(f > 0) || f > 1) return nullptr;
    if (f > 0.5) return _bmap_reduce_bilinear(b, rotation, f);
    float s = (float)(1 / f);  // source pixels per result pixel
    int w, h;
    if (!_zoom_size(b, f, &w, &h)) return nullptr;
    _bmap* r = rotated_result(w, h, rotation);
    if (!r) return nullptr;
    int n = (w > h ? w : h) + 1;
    std::vector<int> start(n);
    std::vector<float> frac(n);
    for (int k = 0; k < n; k++) {
        float p = (float)k * s;
        start[k] = (int)p;
        frac[k] = p - (float)start[k];
    }
    float norm = 1 / (s * s);
    placement to = placed(r, rotation, w, h);
    for (int j = 0; j < h; j++) {
        int y0 = start[j], y1 = start[j + 1];
        float wy0 = 1 - frac[j], wy1 = frac[j + 1];
        if (y1 > b->height - 1) {
            y1 = b->height - 1;
            wy1 = 0;
        }
        for (int i = 0; i < w; i++) {
            int x0 = start[i], x1 = start[i + 1];
            float wx0 = 1 - frac[i], wx1 = frac[i + 1];
            if (x1 > b->width - 1) {
                x1 = b->width - 1;
                wx1 = 0;
            }
            unsigned whole[3] = {0, 0, 0};
            float edge[3] = {0, 0, 0};
            for (int y = y0; y <= y1; y++) {
                const BYTE* row = b->pixels + (size_t)y * b->stride;
                float wy = y == y0 ? wy0 : y == y1 ? wy1 : 1;
                bool edge_row = y == y0 || y == y1;
                for (int x = x0; x <= x1; x++) {
                    const BYTE* p = row + 3 * x;
                    if (!edge_row && x != x0 && x != x1) {
                        whole[0] += p[0];
                        whole[1] += p[1];
                        whole[2] += p[2];
                        continue;
                    }
                    float wgt = wy * (x == x0 ? wx0 : x == x1 ? wx1 : 1);
                    edge[0] += wgt * p[0];
                    edge[1] += wgt * p[1];
                    edge[2] += wgt * p[2];
                }
            }
            BYTE* out = to.at(i, j);
            for (int ch = 0; ch < 3; ch++) {
                int v = (int)((whole[ch] + edge[ch]) * norm);
                out[ch] = (BYTE)(v > 255 ? 255 : v < 0 ? 0 : v);
            }
        }
    }
    return r;
}

_bmap* _bmap_shrink(_bmap* b, int n, int rotation)
{
    if (!b || !b->pixels || n < 1 || !rotation_ok(rotation)) return nullptr;
    int w, h;
    if (!_zoom_size(b, 1.0 / n, &w, &h)) return nullptr;
    _bmap* r = rotated_result(w, h, rotation);
    if (!r) return nullptr;
    unsigned area = (unsigned)n * (unsigned)n;
    placement to = placed(r, rotation, w, h);
    for (int j = 0; j < h; j++) {
        for (int i = 0; i < w; i++) {
            unsigned sum[3] = {0, 0, 0};
            for (int y = j * n; y < j * n + n && y < b->height; y++) {
                const BYTE* p = b->pixels + (size_t)y * b->stride + (size_t)i * n * 3;
                for (int x = i * n; x < i * n + n && x < b->width; x++, p += 3) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            BYTE* out = to.at(i, j);
            for (int ch = 0; ch < 3; ch++) out[ch] = (BYTE)(sum[ch] / area);
        }
    }
    return r;
}

_bmap* _bmap_rotate(_bmap* b, int angle)
{
    if (!b || !b->pixels) return nullptr;
    int code;
    switch (angle) {
    case 90: code = 1; break;
    case -90: code = -1; break;
    case 180:
    case -180: code = 2; break;
    default: return nullptr;
    }
    _bmap* r = rotated_result(b->width, b->height, code);
    if (!r) return nullptr;
    placement to = placed(r, code, b->width, b->height);
    for (int y = 0; y < b->height; y++) {
        const BYTE* p = b->pixels + (size_t)y * b->stride;
        BYTE* out = to.at(0, y);
        for (int x = 0; x < b->width; x++, p += 3, out += to.di) {
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
        }
    }
    bool swap = code & 1;
    r->header.biXPelsPerMeter = swap ? b->header.biYPelsPerMeter : b->header.biXPelsPerMeter;
    r->header.biYPelsPerMeter = swap ? b->header.biXPelsPerMeter : b->header.biYPelsPerMeter;
    return r;
}

// Rows of a turned band, in bytes at most (and never fewer than one row).
enum { TURNED_BAND_BYTES = 4 * 1024 * 1024, TURNED_BAND_ROWS = 64 };

turned_rows::turned_rows(const _bmap* b, int rotation) : b_(b), rotation_(rotation_ok(rotation) ? rotation : 0)
{
    if (!b || !b->pixels) return;
    bool quarter = rotation_ & 1;
    width = quarter ? b->height : b->width;
    height = quarter ? b->width : b->height;
    xppm = quarter ? b->header.biYPelsPerMeter : b->header.biXPelsPerMeter;
    yppm = quarter ? b->header.biXPelsPerMeter : b->header.biYPelsPerMeter;
    band_rows_ = std::max(1, std::min<int>(TURNED_BAND_ROWS, TURNED_BAND_BYTES / (3 * width)));
}

const BYTE* turned_rows::row(int y)
{
    if (!b_ || !b_->pixels || y < 0 || y >= height) return nullptr;
    if (rotation_ == 0) return b_->pixels + (size_t)y * b_->stride;
    size_t row_bytes = (size_t)3 * width;
    int first = y / band_rows_ * band_rows_;
    if (first != first_) {
        if (!band_) band_.reset((BYTE*)malloc(row_bytes * band_rows_));
        if (!band_) return nullptr;
        fill_band(first, std::min(first + band_rows_, height));
        first_ = first;
    }
    return band_.get() + (size_t)(y - first) * row_bytes;
}

void turned_rows::fill_band(int first, int last)
{
    const BYTE* pixels = b_->pixels;
    size_t stride = b_->stride, row_bytes = (size_t)3 * width;
    int w = b_->width, h = b_->height;
    if (!(rotation_ & 1)) {
        // A half turn: source row h - 1 - r read backwards.
        for (int r = first; r < last; r++) {
            const BYTE* in = pixels + (size_t)(h - 1 - r) * stride + (size_t)(w - 1) * 3;
            BYTE* out = band_.get() + (size_t)(r - first) * row_bytes;
            for (int c = 0; c < width; c++, in -= 3, out += 3) memcpy(out, in, 3);
        }
        return;
    }
    // A quarter turn: each source row gives one column of the band, read
    // along the row. Counter-clockwise, row r is source column w - 1 - r and
    // column c source row c; clockwise, column r and row h - 1 - c.
    for (int c = 0; c < width; c++) {
        const BYTE* in = pixels + (size_t)(rotation_ == 1 ? c : h - 1 - c) * stride;
        BYTE* out = band_.get() + (size_t)c * 3;
        for (int r = first; r < last; r++, out += row_bytes)
            memcpy(out, in + (size_t)(rotation_ == 1 ? w - 1 - r : r) * 3, 3);
    }
}

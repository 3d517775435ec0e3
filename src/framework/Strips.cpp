// Rendering of the image strips of the table (StripTable.cpp) and their cache.
#include "framework/Strips.h"

#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

#include <algorithm>
#include <map>
#include <mutex>

#include "framework/GdiImpl.h"

namespace fw {
namespace {

constexpr QRgb kMask = 0xFFC0C0C0;  // (192, 192, 192)
constexpr double kRefEm = 200;      // glyph outlines are measured at this size, then scaled

// Ink of a glyph image as a path at the reference size: the rows stacked, each centred.
QPainterPath GlyphPath(const StripImage& image) {
    std::vector<QPainterPath> rows;
    for (const std::u32string& chars : image.rows) {
        QPainterPath row;
        double x = 0;
        if (image.kind == StripImage::kText) {
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setBold(true);
            font.setPixelSize(int(kRefEm / 2));
            row.addText(0, 0, font, QString::fromStdU32String(chars));
        } else {
            for (char32_t c : chars) {
                // A space between glyphs: a fifth of the em.
                if (c == U' ') {
                    x += kRefEm / 5;
                    continue;
                }
                QPainterPath one;
                double advance = 0;
                if (image.kind == StripImage::kFace) {
                    one = music::Outline(int(c), kRefEm, 1.0);
                    advance = music::Advance(int(c), kRefEm, 1.0);
                } else {
                    one = music::SmuflOutline(c, kRefEm, &advance);
                }
                row.addPath(one.translated(x, 0));
                x += advance;
            }
        }
        rows.push_back(row);
    }
    QPainterPath out;
    out.setFillRule(Qt::WindingFill);
    double top = 0;
    const double gap = kRefEm / 20;
    double width = 0;
    for (const QPainterPath& r : rows) width = std::max(width, r.boundingRect().width());
    for (const QPainterPath& r : rows) {
        const QRectF b = r.boundingRect();
        if (b.isEmpty()) continue;
        out.addPath(r.translated(-b.left() + (width - b.width()) / 2, top - b.top()));
        top += b.height() + gap;
    }
    return out;
}

// A pixel of anti-aliased black ink on nothing, made darker so that small pictures read; what
// is almost nothing stays the mask.
QRgb Shade(int alpha) {
    const int dark = std::min(255, alpha * 2);
    if (dark < 24) return kMask;
    int shade = 255 - dark;
    if (shade == 192) shade = 191;
    return qRgb(shade, shade, shade);
}

// A pixel of a coloured picture over nothing.
QRgb Solid(QRgb premultiplied) {
    const int a = qAlpha(premultiplied);
    if (a < 128) return kMask;
    QRgb c = qUnpremultiply(premultiplied);
    c = qRgb(qRed(c), qGreen(c), qBlue(c));
    if (c == kMask) c = qRgb(191, 191, 191);
    return c;
}

QImage Render(const StripDef& def, int ratio) {
    const int n = int(def.images.size());
    QImage strip(def.cellWidth * n * ratio, def.cellHeight * ratio, QImage::Format_RGB32);
    strip.fill(kMask);
    // One size for the strip's glyph images: the largest at which every one fits.
    std::vector<QPainterPath> paths(n);
    double scale = 1e9;
    for (int i = 0; i < n; ++i) {
        const StripImage& image = def.images[i];
        if (image.kind != StripImage::kFace && image.kind != StripImage::kSmufl && image.kind != StripImage::kText)
            continue;
        paths[i] = GlyphPath(image);
        const QRectF b = paths[i].boundingRect();
        if (b.width() <= 0 || b.height() <= 0) continue;
        scale = std::min({scale, (def.cellWidth - 1.5) / (b.width() * image.grow),
                          (def.cellHeight - 1.5) / (b.height() * image.grow)});
    }
    for (int i = 0; i < n; ++i) {
        const StripImage& image = def.images[i];
        QImage cell(def.cellWidth * ratio, def.cellHeight * ratio, QImage::Format_ARGB32_Premultiplied);
        cell.fill(Qt::transparent);
        bool glyph = false;
        {
            QPainter p(&cell);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(ratio, ratio);
            if (image.kind == StripImage::kSvg) {
                QSvgRenderer svg(QStringLiteral(":/zel/strips/") + QString::fromStdString(image.svg));
                if (svg.isValid()) svg.render(&p, QRectF(0, 0, def.cellWidth, def.cellHeight));
            } else if (!paths[i].isEmpty() && scale < 1e9) {
                glyph = true;
                const QRectF b = paths[i].boundingRect();
                const double s = scale * image.grow;
                p.translate((def.cellWidth - b.width() * s) / 2, (def.cellHeight - b.height() * s) / 2);
                p.scale(s, s);
                p.translate(-b.left(), -b.top());
                p.fillPath(paths[i], Qt::black);
            }
        }
        for (int y = 0; y < cell.height(); ++y) {
            const auto* from = reinterpret_cast<const QRgb*>(cell.constScanLine(y));
            auto* to = reinterpret_cast<QRgb*>(strip.scanLine(y)) + i * def.cellWidth * ratio;
            for (int x = 0; x < cell.width(); ++x) to[x] = glyph ? Shade(qAlpha(from[x])) : Solid(from[x]);
        }
    }
    strip.setDevicePixelRatio(ratio);
    return strip;
}

struct Cache {
    std::mutex lock;
    std::map<int, QImage> strips;
};

Cache& cache() {
    static Cache& c = *new Cache;
    return c;
}

}  // namespace

const StripDef* FindStrip(int id) {
    const auto& table = StripTable();
    auto it = std::lower_bound(table.begin(), table.end(), id, [](const StripDef& d, int v) { return d.id < v; });
    return it != table.end() && it->id == id ? &*it : nullptr;
}

int StripPixelRatio() {
    // Window pictures hold one pixel per unit of the program's coordinates.
    return 1;
}

bool CachedStrip(int id, QImage* out) {
    const StripDef* def = FindStrip(id);
    if (!def) return false;
    Cache& c = cache();
    {
        std::lock_guard<std::mutex> guard(c.lock);
        auto it = c.strips.find(id);
        if (it != c.strips.end()) {
            *out = it->second;
            return true;
        }
    }
    EnsureGraphics();
    QImage made = Render(*def, StripPixelRatio());
    std::lock_guard<std::mutex> guard(c.lock);
    c.strips[id] = made;
    *out = made;
    return true;
}

int BuildAllStrips(int ratio) {
    EnsureGraphics();
    int n = 0;
    for (const StripDef& def : StripTable())
        if (!Render(def, std::max(1, ratio)).isNull()) ++n;
    return n;
}

void ForgetStrips() {
    Cache& c = cache();
    std::lock_guard<std::mutex> guard(c.lock);
    c.strips.clear();
}

}  // namespace fw

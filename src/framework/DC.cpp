#include "framework/DC.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>

#include "framework/CodePage.h"
#include "framework/GdiImpl.h"
#include "framework/WindowImpl.h"

struct CDC::Impl {
    enum class Target { None, Info, Memory, Window, Printer };
    Target target = Target::None;

    // what it draws into
    std::shared_ptr<CGdiObject::Data> bitmapData;  // memory DC: the selected bitmap
    std::shared_ptr<QImage> windowImage;
    QPointer<QWidget> widget;
    CWnd* wnd = nullptr;
    std::unique_ptr<QPrinter> printer;
    std::unique_ptr<QPainter> printerPainter;
    bool docStarted = false;
    bool firstPage = true;
    // A preview: the sheet side being drawn is a picture (the printer is null), paper in pixels.
    bool preview = false;
    QSize previewSize;
    QImage previewPage;
    int logPixels = 96;

    // attributes
    COLORREF textColor = 0;
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    UINT align = 0;
    int rop = R2_COPYPEN;
    int stretch = BLACKONWHITE;
    POINT org;
    POINT pos;
    std::optional<QRegion> clip;  // device units

    // selected objects (the data is held so that a deleted object stays usable while selected)
    CPen* pen = nullptr;
    CBrush* brush = nullptr;
    CFont* font = nullptr;
    CBitmap* bitmap = nullptr;
    std::shared_ptr<CGdiObject::Data> penData, brushData, fontData;
    CBitmap defaultBitmap;

    // path
    bool inPath = false;
    bool pathDone = false;
    QPainterPath path;

    // recording
    bool recording = false;
    std::vector<std::string> log;

    // What the printer's painter was last set up with. Its state is kept from call to call and
    // changed only where a call needs it otherwise, since a printed page gets every change of
    // state written into it (a save and restore per call wrote a block of settings each time,
    // most of them for nothing).
    bool printerSetUp = false;
    std::optional<QRegion> printerClip;

    Impl() {
        pen = static_cast<CPen*>(CGdiObject::GetStockObject(BLACK_PEN));
        brush = static_cast<CBrush*>(CGdiObject::GetStockObject(WHITE_BRUSH));
        font = static_cast<CFont*>(CGdiObject::GetStockObject(SYSTEM_FONT));
        penData = pen->data();
        brushData = brush->data();
        fontData = font->data();
    }

    void rec(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        if (!recording) return;
        char buf[512];
        va_list ap;
        va_start(ap, fmt);
        std::vsnprintf(buf, sizeof buf, fmt, ap);
        va_end(ap);
        log.emplace_back(buf);
    }

    QImage* image() const {
        if (target == Target::Memory) return bitmapData ? &bitmapData->image : nullptr;
        if (target == Target::Window) return windowImage.get();
        return nullptr;
    }

    bool canDraw() const {
        if (target == Target::Printer) return printerPainter && printerPainter->isActive();
        QImage* img = image();
        return img && !img->isNull();
    }

    COLORREF ropColor(COLORREF c) const {
        if (rop == R2_WHITE) return RGB(255, 255, 255);
        if (rop == R2_BLACK) return 0;
        return c;
    }

    bool exactMode() const { return rop != R2_COPYPEN; }

    // Runs f with a painter set up in logical units: clip, drawing mode and origin.
    template <typename F>
    void paint(F f) {
        if (rop == R2_NOP || !canDraw()) return;
        auto setup = [&](QPainter& p) {
            if (clip) p.setClipRegion(*clip);
            switch (rop) {
            case R2_NOT: p.setCompositionMode(QPainter::RasterOp_NotDestination); break;
            case R2_XORPEN: p.setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
            default: p.setCompositionMode(QPainter::CompositionMode_SourceOver); break;
            }
            p.setRenderHint(QPainter::Antialiasing, false);
            p.translate(-org.x, -org.y);
        };
        if (target == Target::Printer) {
            QPainter& p = *printerPainter;
            setUpPrinter(p);
            f(p);
            return;
        }
        QPainter p(image());
        setup(p);
        f(p);
        p.end();
        if (target == Target::Window && widget) widget->update();
    }

    // The printer's painter as setup() leaves a fresh painter, changing only what differs: the
    // clip (set in device units), the drawing mode, no antialiasing, the origin.
    void setUpPrinter(QPainter& p) {
        if (!printerSetUp || printerClip != clip) {
            if (!p.worldTransform().isIdentity()) p.resetTransform();
            if (clip)
                p.setClipRegion(*clip);
            else if (p.hasClipping())
                p.setClipping(false);
            printerClip = clip;
        }
        QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
        if (rop == R2_NOT)
            mode = QPainter::RasterOp_NotDestination;
        else if (rop == R2_XORPEN)
            mode = QPainter::RasterOp_SourceXorDestination;
        if (p.compositionMode() != mode) p.setCompositionMode(mode);
        if (p.testRenderHint(QPainter::Antialiasing)) p.setRenderHint(QPainter::Antialiasing, false);
        const QTransform origin = QTransform::fromTranslate(-org.x, -org.y);
        if (p.worldTransform() != origin) p.setWorldTransform(origin);
        printerSetUp = true;
    }

    const ResolvedFont& resolvedFont() const { return fontData->font; }

    QPen qpen() const {
        const auto& d = *penData;
        if (d.penStyle == PS_NULL) return QPen(Qt::NoPen);
        QPen p(ToQColor(ropColor(d.color)));
        int w = std::max(1, d.penWidth);
        if (w <= 1) {
            p.setWidth(1);
            p.setCapStyle(Qt::FlatCap);
            p.setJoinStyle(Qt::MiterJoin);
            switch (d.penStyle) {
            case PS_DASH: p.setDashPattern({18, 6}); break;
            case PS_DOT: p.setDashPattern({3, 3}); break;
            case PS_DASHDOT: p.setDashPattern({9, 6, 3, 6}); break;
            case PS_DASHDOTDOT: p.setDashPattern({9, 3, 3, 3, 3, 3}); break;
            default: break;
            }
        } else {
            p.setWidth(w);
            p.setCapStyle(Qt::RoundCap);
            p.setJoinStyle(Qt::RoundJoin);
        }
        return p;
    }

    QBrush qbrush() const {
        const auto& d = *brushData;
        if (d.hollow) return QBrush(Qt::NoBrush);
        if (d.pattern) return QBrush(d.patternImage);
        return QBrush(ToQColor(ropColor(d.color)));
    }

    int penWidth() const { return penData->penStyle == PS_NULL ? 0 : std::max(1, penData->penWidth); }
};

namespace {

QRect DeviceRect(const CDC::Impl& d, const RECT& r) {
    return QRect(r.left - d.org.x, r.top - d.org.y, r.right - r.left, r.bottom - r.top);
}

// Applies a raster operation pixel by pixel: dest = op(src, dest) over the device rectangle,
// inside the clip.
template <typename Op>
void Blend(QImage& dest, const QRect& destRect, const QImage* src, QPoint srcTopLeft, const std::optional<QRegion>& clip,
           Op op) {
    QRegion area(destRect.intersected(dest.rect()));
    if (clip) area = area.intersected(*clip);
    for (const QRect& r : area) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(dest.scanLine(y));
            int sy = srcTopLeft.y() + (y - destRect.top());
            for (int x = r.left(); x <= r.right(); ++x) {
                QRgb s = 0xFF000000;
                if (src) {
                    int sx = srcTopLeft.x() + (x - destRect.left());
                    s = src->valid(sx, sy) ? src->pixel(sx, sy) : 0xFFFFFFFF;
                }
                line[x] = 0xFF000000 | (op(s, line[x]) & 0xFFFFFF);
            }
        }
    }
}

bool RopFunction(DWORD rop, QRgb brush, QRgb (*&fn)(QRgb, QRgb, QRgb)) {
    switch (rop) {
    case SRCCOPY: fn = [](QRgb s, QRgb, QRgb) { return s; }; return true;
    case SRCINVERT: fn = [](QRgb s, QRgb d, QRgb) { return s ^ d; }; return true;
    case SRCAND: fn = [](QRgb s, QRgb d, QRgb) { return s & d; }; return true;
    case SRCPAINT: fn = [](QRgb s, QRgb d, QRgb) { return s | d; }; return true;
    case NOTSRCCOPY: fn = [](QRgb s, QRgb, QRgb) { return ~s; }; return true;
    case MERGEPAINT: fn = [](QRgb s, QRgb d, QRgb) { return ~s | d; }; return true;
    case MERGECOPY: fn = [](QRgb s, QRgb, QRgb b) { return s & b; }; return true;
    case PATCOPY: fn = [](QRgb, QRgb, QRgb b) { return b; }; return true;
    case DSTINVERT: fn = [](QRgb, QRgb d, QRgb) { return ~d; }; return true;
    case BLACKNESS: fn = [](QRgb, QRgb, QRgb) { return QRgb(0); }; return true;
    case WHITENESS: fn = [](QRgb, QRgb, QRgb) { return QRgb(0xFFFFFF); }; return true;
    default: (void)brush; return false;
    }
}

}  // namespace

CDC::CDC() : impl_(std::make_unique<Impl>()) {}
CDC::~CDC() = default;

bool CDC::CreateCompatibleDC(CDC* dc) {
    fw::EnsureGraphics();
    DeleteDC();
    impl_->target = Impl::Target::Memory;
    impl_->defaultBitmap.CreateBitmap(1, 1);
    impl_->bitmap = &impl_->defaultBitmap;
    impl_->bitmapData = impl_->defaultBitmap.data();
    impl_->logPixels = 96;
    (void)dc;
    return true;
}

bool CDC::CreateIC() {
    fw::EnsureGraphics();
    DeleteDC();
    impl_->target = Impl::Target::Info;
    return true;
}

bool CDC::AttachWindow(CWnd* wnd) {
    if (!wnd || !wnd->impl()) return false;
    auto img = fw::WindowBacking(*wnd->impl());
    if (!img) return false;
    DeleteDC();
    impl_->target = Impl::Target::Window;
    impl_->windowImage = std::move(img);
    impl_->widget = wnd->impl()->widget;
    impl_->wnd = wnd;
    return true;
}

CWnd* CDC::GetWindow() const { return impl_->wnd; }

void CDC::DeleteDC() {
    if (impl_->printerPainter && impl_->printerPainter->isActive()) impl_->printerPainter->end();
    impl_->printerPainter.reset();
    impl_->printer.reset();
    impl_->preview = false;
    impl_->previewPage = QImage();
    impl_->target = Impl::Target::None;
    impl_->bitmapData.reset();
    impl_->bitmap = nullptr;
    impl_->windowImage.reset();
    impl_->widget = nullptr;
    impl_->wnd = nullptr;
    impl_->clip.reset();
}

bool CDC::HasDC() const { return impl_->target != Impl::Target::None; }
bool CDC::IsPrinting() const { return impl_->target == Impl::Target::Printer; }

COLORREF CDC::SetTextColor(COLORREF c) {
    std::swap(impl_->textColor, c);
    return c;
}
COLORREF CDC::GetTextColor() const { return impl_->textColor; }
COLORREF CDC::SetBkColor(COLORREF c) {
    std::swap(impl_->bkColor, c);
    return c;
}
COLORREF CDC::GetBkColor() const { return impl_->bkColor; }
int CDC::SetBkMode(int mode) {
    std::swap(impl_->bkMode, mode);
    return mode;
}
int CDC::GetBkMode() const { return impl_->bkMode; }
UINT CDC::SetTextAlign(UINT align) {
    std::swap(impl_->align, align);
    return align;
}
UINT CDC::GetTextAlign() const { return impl_->align; }
int CDC::SetROP2(int mode) {
    impl_->rec("SetROP2 %d", mode);
    std::swap(impl_->rop, mode);
    return mode;
}
int CDC::GetROP2() const { return impl_->rop; }
int CDC::SetStretchBltMode(int mode) {
    std::swap(impl_->stretch, mode);
    return mode;
}
POINT CDC::SetWindowOrg(int x, int y) {
    POINT old = impl_->org;
    impl_->org = POINT{x, y};
    return old;
}
POINT CDC::GetWindowOrg() const { return impl_->org; }

int CDC::GetDeviceCaps(int index) const {
    const Impl& d = *impl_;
    if (d.target == Impl::Target::Printer && d.preview) {
        switch (index) {
        case TECHNOLOGY: return DT_RASPRINTER;
        case HORZRES:
        case PHYSICALWIDTH: return d.previewSize.width();
        case VERTRES:
        case PHYSICALHEIGHT: return d.previewSize.height();
        case HORZSIZE: return int(std::lround(d.previewSize.width() * 25.4 / d.logPixels));
        case VERTSIZE: return int(std::lround(d.previewSize.height() * 25.4 / d.logPixels));
        case LOGPIXELSX:
        case LOGPIXELSY: return d.logPixels;
        case BITSPIXEL: return 24;
        case PLANES: return 1;
        case NUMCOLORS: return -1;
        default: return 0;
        }
    }
    if (d.target == Impl::Target::Printer && d.printer) {
        QPageLayout layout = d.printer->pageLayout();
        int dpi = d.logPixels;
        QRect paint = layout.paintRectPixels(dpi);
        QRect full = layout.fullRectPixels(dpi);
        switch (index) {
        case TECHNOLOGY: return DT_RASPRINTER;
        case HORZRES: return paint.width();
        case VERTRES: return paint.height();
        case HORZSIZE: return int(std::lround(paint.width() * 25.4 / dpi));
        case VERTSIZE: return int(std::lround(paint.height() * 25.4 / dpi));
        case LOGPIXELSX:
        case LOGPIXELSY: return dpi;
        case PHYSICALWIDTH: return full.width();
        case PHYSICALHEIGHT: return full.height();
        case PHYSICALOFFSETX: return paint.left();
        case PHYSICALOFFSETY: return paint.top();
        case BITSPIXEL: return 24;
        case PLANES: return 1;
        case NUMCOLORS: return -1;
        default: return 0;
        }
    }
    QImage* img = d.image();
    int w = img ? img->width() : 1024, h = img ? img->height() : 768;
    switch (index) {
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZRES: return w;
    case VERTRES: return h;
    case HORZSIZE: return int(std::lround(w * 25.4 / 96));
    case VERTSIZE: return int(std::lround(h * 25.4 / 96));
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    default: return 0;
    }
}

CPen* CDC::SelectObject(CPen* pen) {
    if (!pen || !pen->data()) return nullptr;
    CPen* old = impl_->pen;
    impl_->pen = pen;
    impl_->penData = pen->data();
    return old;
}

CBrush* CDC::SelectObject(CBrush* brush) {
    if (!brush || !brush->data()) return nullptr;
    CBrush* old = impl_->brush;
    impl_->brush = brush;
    impl_->brushData = brush->data();
    return old;
}

CFont* CDC::SelectObject(CFont* font) {
    if (!font || !font->data()) return nullptr;
    CFont* old = impl_->font;
    impl_->font = font;
    impl_->fontData = font->data();
    return old;
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
    if (!bitmap || !bitmap->data() || impl_->target != Impl::Target::Memory) return nullptr;
    CBitmap* old = impl_->bitmap;
    impl_->bitmap = bitmap;
    impl_->bitmapData = bitmap->data();
    return old;
}

CGdiObject* CDC::SelectStockObject(int index) {
    CGdiObject* obj = CGdiObject::GetStockObject(index);
    if (!obj) return nullptr;
    switch (obj->GetKind()) {
    case CGdiObject::Kind::Pen: return SelectObject(static_cast<CPen*>(obj));
    case CGdiObject::Kind::Brush: return SelectObject(static_cast<CBrush*>(obj));
    case CGdiObject::Kind::Font: return SelectObject(static_cast<CFont*>(obj));
    default: return nullptr;
    }
}

CPen* CDC::GetCurrentPen() const { return impl_->pen; }
CBrush* CDC::GetCurrentBrush() const { return impl_->brush; }
CFont* CDC::GetCurrentFont() const { return impl_->font; }
CBitmap* CDC::GetCurrentBitmap() const { return impl_->bitmap; }

int CDC::SelectClipRgn(const CRgn* rgn) {
    if (!rgn || !rgn->data()) {
        impl_->rec("SelectClipRgn none");
        impl_->clip.reset();
        return SIMPLEREGION;
    }
    impl_->clip = rgn->data()->region;
    QRect b = impl_->clip->boundingRect();
    impl_->rec("SelectClipRgn %d %d %d %d", b.left(), b.top(), b.left() + b.width(), b.top() + b.height());
    return impl_->clip->isEmpty() ? NULLREGION : SIMPLEREGION;
}

int CDC::GetClipBox(RECT* out) const {
    const Impl& d = *impl_;
    QRect b;
    if (d.clip) {
        b = d.clip->boundingRect();
    } else {
        b = QRect(0, 0, GetDeviceCaps(HORZRES), GetDeviceCaps(VERTRES));
    }
    if (out) *out = RECT{b.left() + d.org.x, b.top() + d.org.y, b.left() + b.width() + d.org.x, b.top() + b.height() + d.org.y};
    if (d.clip && d.clip->isEmpty()) return NULLREGION;
    return SIMPLEREGION;
}

bool CDC::PtVisible(int x, int y) const {
    QPoint p(x - impl_->org.x, y - impl_->org.y);
    if (impl_->clip) return impl_->clip->contains(p);
    return p.x() >= 0 && p.y() >= 0 && p.x() < GetDeviceCaps(HORZRES) && p.y() < GetDeviceCaps(VERTRES);
}

// --- text ---

bool CDC::TextOut(int x, int y, const char* text, int length) { return ExtTextOut(x, y, 0, nullptr, text, length); }

bool CDC::ExtTextOut(int x, int y, UINT options, const RECT* rect, const char* text, int length) {
    Impl& d = *impl_;
    if (!text) length = 0;
    if (length < 0) length = int(std::strlen(text));
    bool updateCp = (d.align & TA_UPDATECP) != 0;
    if (updateCp) {
        x = d.pos.x;
        y = d.pos.y;
    }
    const ResolvedFont& f = d.resolvedFont();
    TEXTMETRIC tm = FontTextMetrics(f);
    int width = FontTextWidth(f, text, length);
    d.rec("TextOut %d %d \"%s\" align %u", x, y, std::string(text ? text : "", std::size_t(length)).c_str(), d.align);
    double dx = 0;
    UINT h = d.align & TA_CENTER;
    if (h == TA_CENTER)
        dx = -width / 2;
    else if (h == TA_RIGHT)
        dx = -width;
    double baselineOffset = 0;
    UINT v = d.align & TA_BASELINE;
    if (v == TA_BASELINE)
        baselineOffset = 0;
    else if (v == TA_BOTTOM)
        baselineOffset = -tm.tmDescent;
    else
        baselineOffset = tm.tmAscent;
    COLORREF color = d.ropColor(d.textColor);
    const bool opaque = rect && (options & 2), clipped = rect && (options & 4);
    // A call that draws nothing leaves the page as it is.
    if (length <= 0 && !opaque) return true;
    d.paint([&](QPainter& p) {
        if (opaque) p.fillRect(QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top), ToQColor(d.ropColor(d.bkColor)));
        if (clipped) {
            p.save();
            p.setClipRect(QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top), Qt::IntersectClip);
        }
        // Upright text is placed by its coordinates; only turned text turns the painter.
        double ox = x, oy = y;
        if (f.escapement) {
            if (!clipped) p.save();
            p.translate(x, y);
            p.rotate(-f.escapement / 10.0);
            ox = oy = 0;
        }
        if (d.bkMode == OPAQUE && length > 0)
            p.fillRect(QRectF(ox + dx, oy + baselineOffset - tm.tmAscent, width, tm.tmHeight), ToQColor(d.ropColor(d.bkColor)));
        FontDrawText(p, f, ox + dx, oy + baselineOffset, text, length, ToQColor(color), !d.exactMode() && !IsPrinting());
        if (clipped || f.escapement) p.restore();
    });
    if (updateCp && h == TA_LEFT) {
        if (f.escapement) {
            double a = f.escapement / 10.0 * M_PI / 180.0;
            d.pos.x += int(std::lround(width * std::cos(a)));
            d.pos.y -= int(std::lround(width * std::sin(a)));
        } else {
            d.pos.x += width;
        }
    }
    return true;
}

SIZE CDC::GetTextExtent(const char* text, int length) const {
    const ResolvedFont& f = impl_->resolvedFont();
    if (text && length < 0) length = int(std::strlen(text));
    SIZE s;
    s.cx = FontTextWidth(f, text, length);
    s.cy = FontTextMetrics(f).tmHeight;
    return s;
}

int CDC::GetCharWidth(UINT c) const { return FontCharWidth(impl_->resolvedFont(), c); }

bool CDC::GetTextMetrics(TEXTMETRIC* out) const {
    if (!out) return false;
    *out = FontTextMetrics(impl_->resolvedFont());
    return true;
}

bool CDC::GetOutlineTextMetrics(OUTLINETEXTMETRIC* out) const {
    if (!out) return false;
    const ResolvedFont& f = impl_->resolvedFont();
    out->otmTextMetrics = FontTextMetrics(f);
    if (f.music) {
        out->otmAscent = int(std::lround(f.em));
        out->otmDescent = -int(std::lround(f.em / 4));
    } else {
        QFontMetricsF fm(f.qfont);
        out->otmAscent = int(std::lround(fm.ascent()));
        out->otmDescent = -int(std::lround(fm.descent()));
    }
    return true;
}

int CDC::GetTextCharset() const { return impl_->resolvedFont().charset; }
std::string CDC::GetTextFace() const { return impl_->resolvedFont().face; }

// --- lines and shapes ---

POINT CDC::MoveTo(int x, int y) {
    Impl& d = *impl_;
    POINT old = d.pos;
    d.pos = POINT{x, y};
    if (d.inPath) d.path.moveTo(x, y);
    d.rec("MoveTo %d %d", x, y);
    return old;
}

bool CDC::LineTo(int x, int y) {
    Impl& d = *impl_;
    POINT from = d.pos;
    d.pos = POINT{x, y};
    d.rec("LineTo %d %d", x, y);
    if (d.inPath) {
        d.path.lineTo(x, y);
        return true;
    }
    if (from.x == x && from.y == y) return true;
    d.paint([&](QPainter& p) {
        QPen pen = d.qpen();
        p.setPen(pen);
        if (d.penWidth() <= 1) {
            // The end point is not drawn: shorten the line by one pixel along its major axis.
            int ex = x, ey = y;
            int ddx = x - from.x, ddy = y - from.y;
            if (std::abs(ddx) >= std::abs(ddy))
                ex -= (ddx > 0) - (ddx < 0), ey = from.y + (ddx ? int(std::lround(double(ddy) * (ex - from.x) / ddx)) : 0);
            else
                ey -= (ddy > 0) - (ddy < 0), ex = from.x + (ddy ? int(std::lround(double(ddx) * (ey - from.y) / ddy)) : 0);
            pen.setCapStyle(Qt::SquareCap);
            p.setPen(pen);
            p.drawLine(QPoint(from.x, from.y), QPoint(ex, ey));
        } else {
            p.drawLine(QPointF(from.x, from.y), QPointF(x, y));
        }
    });
    return true;
}

POINT CDC::GetCurrentPosition() const { return impl_->pos; }

bool CDC::Rectangle(int l, int t, int r, int b) {
    Impl& d = *impl_;
    d.rec("Rectangle %d %d %d %d", l, t, r, b);
    if (r <= l || b <= t) return false;
    d.paint([&](QPainter& p) {
        QBrush br = d.qbrush();
        if (br.style() != Qt::NoBrush) p.fillRect(QRect(l, t, r - l, b - t), br);
        int w = d.penWidth();
        if (w == 0) return;
        p.setBrush(Qt::NoBrush);
        QPen pen = d.qpen();
        p.setPen(pen);
        if (w <= 1)
            p.drawRect(QRect(l, t, r - l - 1, b - t - 1));
        else
            p.drawRect(QRectF(l + w / 2.0, t + w / 2.0, r - l - w, b - t - w));
    });
    return true;
}

bool CDC::RoundRect(int l, int t, int r, int b, int w, int h) {
    Impl& d = *impl_;
    d.rec("RoundRect %d %d %d %d %d %d", l, t, r, b, w, h);
    d.paint([&](QPainter& p) {
        p.setPen(d.qpen());
        p.setBrush(d.qbrush());
        p.drawRoundedRect(QRectF(l, t, r - l - 1, b - t - 1), w / 2.0, h / 2.0);
    });
    return true;
}

bool CDC::Ellipse(int l, int t, int r, int b) {
    Impl& d = *impl_;
    d.rec("Ellipse %d %d %d %d", l, t, r, b);
    d.paint([&](QPainter& p) {
        p.setPen(d.qpen());
        p.setBrush(d.qbrush());
        p.drawEllipse(QRectF(l, t, r - l - 1, b - t - 1));
    });
    return true;
}

bool CDC::Arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
    Impl& d = *impl_;
    d.rec("Arc %d %d %d %d %d %d %d %d", l, t, r, b, x1, y1, x2, y2);
    double cx = (l + r) / 2.0, cy = (t + b) / 2.0;
    double a1 = std::atan2(-(y1 - cy), x1 - cx) * 180 / M_PI;
    double a2 = std::atan2(-(y2 - cy), x2 - cx) * 180 / M_PI;
    double span = a2 - a1;
    if (span <= 0) span += 360;
    d.paint([&](QPainter& p) {
        p.setPen(d.qpen());
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(l, t, r - l - 1, b - t - 1), int(std::lround(a1 * 16)), int(std::lround(span * 16)));
    });
    return true;
}

bool CDC::Polygon(const POINT* pts, int count) {
    Impl& d = *impl_;
    if (!pts || count < 2) return false;
    std::string s = "Polygon";
    QPolygon poly;
    for (int i = 0; i < count; ++i) {
        poly << QPoint(pts[i].x, pts[i].y);
        s += " " + std::to_string(pts[i].x) + "," + std::to_string(pts[i].y);
    }
    d.rec("%s", s.c_str());
    d.paint([&](QPainter& p) {
        p.setPen(d.qpen());
        p.setBrush(d.qbrush());
        p.drawPolygon(poly, Qt::OddEvenFill);
    });
    return true;
}

bool CDC::Polyline(const POINT* pts, int count) {
    if (!pts || count < 2) return false;
    MoveTo(pts[0].x, pts[0].y);
    for (int i = 1; i < count; ++i) LineTo(pts[i].x, pts[i].y);
    return true;
}

bool CDC::PolyBezier(const POINT* pts, int count) {
    Impl& d = *impl_;
    if (!pts || count < 4 || (count - 1) % 3 != 0) return false;
    std::string s = "PolyBezier";
    for (int i = 0; i < count; ++i) s += " " + std::to_string(pts[i].x) + "," + std::to_string(pts[i].y);
    d.rec("%s", s.c_str());
    QPainterPath path(QPointF(pts[0].x, pts[0].y));
    for (int i = 1; i + 2 < count; i += 3)
        path.cubicTo(QPointF(pts[i].x, pts[i].y), QPointF(pts[i + 1].x, pts[i + 1].y), QPointF(pts[i + 2].x, pts[i + 2].y));
    if (d.inPath) {
        d.path.moveTo(pts[0].x, pts[0].y);
        d.path.addPath(path);
        return true;
    }
    d.paint([&](QPainter& p) {
        p.setPen(d.qpen());
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    });
    return true;
}

bool CDC::BeginPath() {
    impl_->inPath = true;
    impl_->pathDone = false;
    impl_->path = QPainterPath();
    impl_->rec("BeginPath");
    return true;
}

bool CDC::EndPath() {
    impl_->inPath = false;
    impl_->pathDone = true;
    impl_->rec("EndPath");
    return true;
}

bool CDC::WidenPath() {
    impl_->rec("WidenPath");
    return impl_->pathDone;
}

bool CDC::StrokePath() {
    Impl& d = *impl_;
    d.rec("StrokePath");
    if (!d.pathDone) return false;
    QPainterPath path = d.path;
    d.pathDone = false;
    d.path = QPainterPath();
    d.paint([&](QPainter& p) {
        p.setPen(d.qpen());
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    });
    return true;
}

bool CDC::FillPath() {
    Impl& d = *impl_;
    if (!d.pathDone) return false;
    QPainterPath path = d.path;
    d.pathDone = false;
    d.path = QPainterPath();
    d.paint([&](QPainter& p) { p.fillPath(path, d.qbrush()); });
    return true;
}

// --- fills ---

void CDC::FillRect(const RECT* rect, CBrush* brush) {
    Impl& d = *impl_;
    if (!rect || !brush || !brush->data()) return;
    d.rec("FillRect %d %d %d %d", rect->left, rect->top, rect->right, rect->bottom);
    if (rect->right <= rect->left || rect->bottom <= rect->top) return;
    auto data = brush->data();
    d.paint([&](QPainter& p) {
        QRect r(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
        if (data->hollow) return;
        if (data->pattern) {
            p.setBrushOrigin(d.org.x, d.org.y);
            p.fillRect(r, QBrush(data->patternImage));
        } else {
            p.fillRect(r, ToQColor(d.ropColor(data->color)));
        }
    });
}

void CDC::FillSolidRect(const RECT* rect, COLORREF c) {
    CBrush b(c);
    FillRect(rect, &b);
}

bool CDC::FillRgn(const CRgn* rgn, CBrush* brush) {
    if (!rgn || !rgn->data() || !brush || !brush->data()) return false;
    for (const QRect& r : rgn->data()->region) {
        RECT rr{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
        FillRect(&rr, brush);
    }
    return true;
}

void CDC::InvertRect(const RECT* rect) {
    Impl& d = *impl_;
    if (!rect) return;
    d.rec("InvertRect %d %d %d %d", rect->left, rect->top, rect->right, rect->bottom);
    QImage* img = d.image();
    if (!img) return;
    Blend(*img, DeviceRect(d, *rect), nullptr, QPoint(), d.clip, [](QRgb, QRgb dst) { return ~dst; });
    if (d.target == Impl::Target::Window && d.widget) d.widget->update();
}

bool CDC::DrawEdge(RECT* rect, UINT edge, UINT flags) {
    if (!rect) return false;
    Impl& d = *impl_;
    d.rec("DrawEdge %d %d %d %d %u %u", rect->left, rect->top, rect->right, rect->bottom, edge, flags);
    const QColor light(255, 255, 255), light2(227, 227, 227), dark(160, 160, 160), dark2(105, 105, 105);
    auto draw = [&](QColor topLeft, QColor bottomRight, RECT& r) {
        d.paint([&](QPainter& p) {
            if (flags & BF_TOP) p.fillRect(QRect(r.left, r.top, r.right - r.left, 1), topLeft);
            if (flags & BF_LEFT) p.fillRect(QRect(r.left, r.top, 1, r.bottom - r.top), topLeft);
            if (flags & BF_BOTTOM) p.fillRect(QRect(r.left, r.bottom - 1, r.right - r.left, 1), bottomRight);
            if (flags & BF_RIGHT) p.fillRect(QRect(r.right - 1, r.top, 1, r.bottom - r.top), bottomRight);
        });
        if (flags & BF_TOP) ++r.top;
        if (flags & BF_LEFT) ++r.left;
        if (flags & BF_BOTTOM) --r.bottom;
        if (flags & BF_RIGHT) --r.right;
    };
    if (edge & BDR_RAISEDOUTER) draw(light2, dark2, *rect);
    if (edge & BDR_SUNKENOUTER) draw(dark, light, *rect);
    if (edge & BDR_RAISEDINNER) draw(light, dark, *rect);
    if (edge & BDR_SUNKENINNER) draw(dark2, light2, *rect);
    return true;
}

COLORREF CDC::GetPixel(int x, int y) const {
    QImage* img = impl_->image();
    int dx = x - impl_->org.x, dy = y - impl_->org.y;
    if (!img || !img->valid(dx, dy)) return 0xFFFFFFFF;
    return FromQRgb(img->pixel(dx, dy));
}

COLORREF CDC::SetPixel(int x, int y, COLORREF c) {
    QImage* img = impl_->image();
    int dx = x - impl_->org.x, dy = y - impl_->org.y;
    if (!img || !img->valid(dx, dy)) return 0xFFFFFFFF;
    if (impl_->clip && !impl_->clip->contains(QPoint(dx, dy))) return 0xFFFFFFFF;
    img->setPixel(dx, dy, ToQColor(c).rgb());
    return c;
}

// --- blits ---

bool CDC::BitBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, DWORD rop) {
    return StretchBlt(x, y, w, h, src, sx, sy, w, h, rop);
}

bool CDC::StretchBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, int sw, int sh, DWORD rop) {
    Impl& d = *impl_;
    d.rec("StretchBlt %d %d %d %d from %d %d %d %d rop %08X", x, y, w, h, sx, sy, sw, sh, unsigned(rop));
    if (w <= 0 || h <= 0) return false;
    QImage srcImg;
    if (src) {
        QImage* si = src->impl_->image();
        if (!si) return false;
        QRect sr(sx - src->impl_->org.x, sy - src->impl_->org.y, sw, sh);
        srcImg = si->copy(sr);  // a copy: source and target may be the same picture
        if (sw != w || sh != h)
            srcImg = srcImg.scaled(w, h, Qt::IgnoreAspectRatio,
                                   d.stretch == HALFTONE ? Qt::SmoothTransformation : Qt::FastTransformation);
        srcImg = srcImg.convertToFormat(QImage::Format_RGB32);
    }
    QRgb brush = ToQColor(impl_->brushData->color).rgb();
    QRgb (*fn)(QRgb, QRgb, QRgb) = nullptr;
    if (!RopFunction(rop, brush, fn)) return false;
    if (d.target == Impl::Target::Printer) {
        if (srcImg.isNull()) return false;
        d.paint([&](QPainter& p) { p.drawImage(QPoint(x, y), srcImg); });
        return true;
    }
    QImage* img = d.image();
    if (!img) return false;
    QRect destRect(x - d.org.x, y - d.org.y, w, h);
    Blend(*img, destRect, src ? &srcImg : nullptr, QPoint(0, 0), d.clip,
          [&](QRgb s, QRgb dst) { return fn(s, dst, brush); });
    if (d.target == Impl::Target::Window && d.widget) d.widget->update();
    return true;
}

bool CDC::PatBlt(int x, int y, int w, int h, DWORD rop) { return StretchBlt(x, y, w, h, nullptr, 0, 0, w, h, rop); }

bool CDC::DrawBitmap(int x, int y, const CBitmap& bitmap) {
    Impl& d = *impl_;
    if (!bitmap.data()) return false;
    d.rec("DrawBitmap %d %d", x, y);
    QImage img = bitmap.data()->image;
    d.paint([&](QPainter& p) { p.drawImage(QPoint(x, y), img); });
    return true;
}

bool CDC::DrawBitmapTransparent(int x, int y, const CBitmap& bitmap, int sx, int sy, int w, int h, COLORREF mask) {
    Impl& d = *impl_;
    if (!bitmap.data()) return false;
    d.rec("DrawBitmapTransparent %d %d", x, y);
    QImage part = bitmap.data()->image.copy(sx, sy, w, h).convertToFormat(QImage::Format_ARGB32);
    QRgb m = ToQColor(mask).rgb() & 0xFFFFFF;
    for (int yy = 0; yy < part.height(); ++yy) {
        auto* line = reinterpret_cast<QRgb*>(part.scanLine(yy));
        for (int xx = 0; xx < part.width(); ++xx)
            if ((line[xx] & 0xFFFFFF) == m) line[xx] = 0;
    }
    d.paint([&](QPainter& p) { p.drawImage(QPoint(x, y), part); });
    return true;
}

bool CDC::ScrollDC(int dx, int dy, const RECT* rect, const RECT* clip, RECT* update) {
    Impl& d = *impl_;
    QImage* img = d.image();
    if (!img || !rect) return false;
    QRect r = DeviceRect(d, *rect);
    if (clip) r = r.intersected(DeviceRect(d, *clip));
    QImage moved = img->copy(r);
    QRect target = r.translated(dx, dy).intersected(r);
    QRect from = target.translated(-dx, -dy);
    {
        QPainter p(img);
        p.drawImage(target.topLeft(), moved.copy(from.translated(-r.topLeft())));
    }
    if (update) {
        QRegion left = QRegion(r).subtracted(QRegion(target));
        QRect b = left.boundingRect();
        *update = RECT{b.left() + d.org.x, b.top() + d.org.y, b.left() + b.width() + d.org.x, b.top() + b.height() + d.org.y};
    }
    if (d.target == Impl::Target::Window && d.widget) d.widget->update();
    return true;
}

void CDC::StartRecording() {
    impl_->recording = true;
    impl_->log.clear();
}

std::vector<std::string> CDC::TakeRecording() {
    std::vector<std::string> out = std::move(impl_->log);
    impl_->log.clear();
    impl_->recording = false;
    return out;
}

// --- printer ---

CPrinterDC::CPrinterDC() = default;
CPrinterDC::~CPrinterDC() {
    if (impl_->docStarted) EndDoc();
}

bool CPrinterDC::CreatePdf(const std::string& utf8Path, int dpi, int paperWidth, int paperHeight, int margin) {
    fw::EnsureGraphics();
    DeleteDC();
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(utf8Path));
    printer->setResolution(dpi);
    QPageSize size = (paperWidth > 0 && paperHeight > 0)
                         ? QPageSize(QSizeF(paperWidth, paperHeight), QPageSize::Point, QString(), QPageSize::ExactMatch)
                         : QPageSize(QPageSize::A4);
    printer->setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(margin, margin, margin, margin), QPageLayout::Point));
    printer->setFullPage(false);
    impl_->printer = std::move(printer);
    impl_->target = Impl::Target::Printer;
    impl_->logPixels = dpi;
    return true;
}

bool CPrinterDC::CreatePrinter(const std::string& printerName, int dpi) {
    fw::EnsureGraphics();
    QPrinterInfo info = printerName.empty() ? QPrinterInfo::defaultPrinter()
                                            : QPrinterInfo::printerInfo(QString::fromStdString(printerName));
    if (info.isNull()) return false;
    DeleteDC();
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setResolution(dpi);
    printer->setFullPage(false);
    impl_->logPixels = printer->resolution();
    impl_->printer = std::move(printer);
    impl_->target = Impl::Target::Printer;
    return true;
}

void CPrinterDC::SetLandscape(bool landscape) {
    if (!impl_->printer || impl_->docStarted) return;
    impl_->printer->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void CPrinterDC::SetCopies(int copies) {
    if (!impl_->printer || impl_->docStarted) return;
    impl_->printer->setCopyCount(std::max(1, copies));
}

bool CPrinterDC::CreatePreview(int dpi, int paperWidth, int paperHeight) {
    fw::EnsureGraphics();
    DeleteDC();
    if (dpi <= 0 || paperWidth <= 0 || paperHeight <= 0) return false;
    impl_->target = Impl::Target::Printer;
    impl_->preview = true;
    impl_->logPixels = dpi;
    impl_->previewSize = QSize(std::max(1, paperWidth * dpi / 72), std::max(1, paperHeight * dpi / 72));
    return true;
}

bool CPrinterDC::DrawPreviewSide(CDC& target, const RECT& where) const {
    const Impl& d = *impl_;
    if (!d.preview || d.previewPage.isNull()) return false;
    QImage* img = target.impl()->image();
    if (!img) return false;
    {
        QPainter p(img);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(QRect(where.left - target.impl()->org.x, where.top - target.impl()->org.y,
                          where.right - where.left, where.bottom - where.top),
                    d.previewPage);
    }
    if (target.impl()->target == Impl::Target::Window && target.impl()->widget) target.impl()->widget->update();
    return true;
}

bool CPrinterDC::StartDoc(const char* title) {
    if (impl_->preview) {
        if (impl_->docStarted) return false;
        impl_->docStarted = true;
        impl_->firstPage = true;
        return true;
    }
    if (!impl_->printer || impl_->docStarted) return false;
    impl_->printer->setDocName(QString::fromStdString(fw::ToUtf8(title ? title : "")));
    impl_->printerPainter = std::make_unique<QPainter>();
    if (!impl_->printerPainter->begin(impl_->printer.get())) {
        impl_->printerPainter.reset();
        return false;
    }
    impl_->docStarted = true;
    impl_->firstPage = true;
    return true;
}

bool CPrinterDC::StartPage() {
    if (!impl_->docStarted) return false;
    impl_->printerSetUp = false;
    if (impl_->preview) {
        // Each side starts on a fresh white sheet; the one before is let go of.
        if (impl_->printerPainter && impl_->printerPainter->isActive()) impl_->printerPainter->end();
        impl_->previewPage = QImage(impl_->previewSize, QImage::Format_RGB32);
        impl_->previewPage.fill(Qt::white);
        impl_->printerPainter = std::make_unique<QPainter>();
        return impl_->printerPainter->begin(&impl_->previewPage);
    }
    if (!impl_->firstPage) impl_->printer->newPage();
    impl_->firstPage = false;
    return true;
}

bool CPrinterDC::EndPage() { return impl_->docStarted; }

bool CPrinterDC::EndDoc() {
    if (!impl_->docStarted) return false;
    impl_->docStarted = false;
    if (impl_->preview) {
        if (impl_->printerPainter && impl_->printerPainter->isActive()) impl_->printerPainter->end();
        impl_->printerPainter.reset();
        return true;
    }
    bool ok = impl_->printerPainter->end();
    impl_->printerPainter.reset();
    return ok;
}

void CPrinterDC::AbortDoc() {
    if (!impl_->docStarted) return;
    impl_->printer->abort();
    impl_->docStarted = false;
    if (impl_->printerPainter && impl_->printerPainter->isActive()) impl_->printerPainter->end();
    impl_->printerPainter.reset();
}

namespace fw {
std::vector<std::string> PrinterNames() {
    EnsureGraphics();
    std::vector<std::string> out;
    QString def = QPrinterInfo::defaultPrinterName();
    if (!def.isEmpty()) out.push_back(def.toStdString());
    for (const QString& n : QPrinterInfo::availablePrinterNames())
        if (n != def) out.push_back(n.toStdString());
    return out;
}
}  // namespace fw

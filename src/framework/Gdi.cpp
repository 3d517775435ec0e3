#include "framework/Gdi.h"

#include <QImage>
#include <QPolygon>
#include <QString>

#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/DC.h"
#include "framework/GdiImpl.h"
#include "framework/Paths.h"

CGdiObject::CGdiObject() = default;
CGdiObject::~CGdiObject() = default;

bool CGdiObject::IsValid() const { return data_ != nullptr; }

bool CGdiObject::DeleteObject() {
    if (stock_ || !data_) return false;
    data_.reset();
    return true;
}

CGdiObject::Kind CGdiObject::GetKind() const { return data_ ? data_->kind : Kind::None; }

namespace {

// A stock object is a real pen, brush or font, so callers may view it as one.
template <typename T>
class StockObject : public T {
public:
    explicit StockObject(std::shared_ptr<CGdiObject::Data> d) {
        this->data_ = std::move(d);
        this->stock_ = true;
    }
};

std::shared_ptr<CGdiObject::Data> MakeData(CGdiObject::Kind kind) {
    auto d = std::make_shared<CGdiObject::Data>();
    d->kind = kind;
    return d;
}

}  // namespace

CGdiObject* CGdiObject::GetStockObject(int index) {
    static CGdiObject* objects[20] = {};
    if (index < 0 || index >= 20) return nullptr;
    if (objects[index]) return objects[index];
    std::shared_ptr<Data> d;
    switch (index) {
    case WHITE_BRUSH:
    case LTGRAY_BRUSH:
    case GRAY_BRUSH:
    case DKGRAY_BRUSH:
    case BLACK_BRUSH: {
        static const COLORREF colors[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                          RGB(64, 64, 64), RGB(0, 0, 0)};
        d = MakeData(Kind::Brush);
        d->color = colors[index];
        break;
    }
    case NULL_BRUSH:
        d = MakeData(Kind::Brush);
        d->hollow = true;
        break;
    case WHITE_PEN:
    case BLACK_PEN:
        d = MakeData(Kind::Pen);
        d->color = index == WHITE_PEN ? RGB(255, 255, 255) : 0;
        break;
    case NULL_PEN:
        d = MakeData(Kind::Pen);
        d->penStyle = PS_NULL;
        break;
    case SYSTEM_FONT: {
        d = MakeData(Kind::Font);
        d->logFont.lfHeight = -13;
        d->logFont.lfWeight = FW_BOLD;
        std::strcpy(d->logFont.lfFaceName, "System");
        d->font = ResolveFont(d->logFont);
        break;
    }
    default:
        return nullptr;
    }
    switch (d->kind) {
    case Kind::Pen: objects[index] = new StockObject<CPen>(std::move(d)); break;
    case Kind::Brush: objects[index] = new StockObject<CBrush>(std::move(d)); break;
    case Kind::Font: objects[index] = new StockObject<CFont>(std::move(d)); break;
    default: return nullptr;
    }
    return objects[index];
}

bool CPen::CreatePen(int style, int width, COLORREF color) {
    if (data_) return false;
    data_ = MakeData(Kind::Pen);
    data_->penStyle = style;
    data_->penWidth = width < 1 ? 1 : width;
    data_->color = color & 0xFFFFFF;
    return true;
}

bool CPen::GetLogPen(LOGPEN* out) const {
    if (!data_ || !out) return false;
    out->lopnStyle = UINT(data_->penStyle);
    out->lopnWidth.x = data_->penWidth;
    out->lopnWidth.y = 0;
    out->lopnColor = data_->color;
    return true;
}

bool CBrush::CreateSolidBrush(COLORREF color) {
    if (data_) return false;
    data_ = MakeData(Kind::Brush);
    data_->color = color & 0xFFFFFF;
    return true;
}

bool CBrush::CreatePatternBrush(const CBitmap& bitmap) {
    if (data_ || !bitmap.data() || bitmap.data()->image.isNull()) return false;
    data_ = MakeData(Kind::Brush);
    data_->pattern = true;
    data_->patternImage = bitmap.data()->image.copy();
    return true;
}

COLORREF CBrush::GetColor() const { return data_ ? data_->color : 0; }

bool CFont::CreateFontIndirect(const LOGFONT& lf) {
    if (data_) return false;
    data_ = MakeData(Kind::Font);
    data_->logFont = lf;
    data_->font = ResolveFont(lf);
    return true;
}

bool CFont::GetLogFont(LOGFONT* out) const {
    if (!data_ || !out) return false;
    *out = data_->logFont;
    return true;
}

bool CBitmap::CreateBitmap(int width, int height) {
    if (data_ || width <= 0 || height <= 0) return false;
    QImage img(width, height, QImage::Format_RGB32);
    if (img.isNull()) return false;
    img.fill(Qt::white);
    data_ = MakeData(Kind::Bitmap);
    data_->image = std::move(img);
    return true;
}

bool CBitmap::CreateCompatibleBitmap(CDC*, int width, int height) { return CreateBitmap(width, height); }

bool CBitmap::LoadFile(const std::string& utf8Path) {
    if (data_) return false;
    QImage img(QString::fromStdString(utf8Path));
    if (img.isNull()) return false;
    data_ = MakeData(Kind::Bitmap);
    data_->image = img.convertToFormat(QImage::Format_RGB32);
    return true;
}

bool CBitmap::LoadBitmap(UINT id) {
    if (data_) return false;
    if (QImage strip; fw::CachedStrip(int(id), &strip)) {
        data_ = MakeData(Kind::Bitmap);
        data_->image = strip;
        return true;
    }
    std::string base = fw::InstalledDataFolder() + "/bitmaps/" + std::to_string(id);
    return LoadFile(base + ".png") || LoadFile(base + ".bmp");
}

SIZE CBitmap::GetSize() const {
    SIZE s;
    if (data_) {
        s.cx = data_->image.width();
        s.cy = data_->image.height();
    }
    return s;
}

COLORREF CBitmap::GetPixel(int x, int y) const {
    if (!data_ || !data_->image.valid(x, y)) return 0xFFFFFFFF;
    return FromQRgb(data_->image.pixel(x, y));
}

void CBitmap::SetPixel(int x, int y, COLORREF c) {
    if (data_ && data_->image.valid(x, y)) data_->image.setPixel(x, y, ToQColor(c).rgb());
}

bool CBitmap::SavePng(const std::string& utf8Path) const {
    return data_ && data_->image.save(QString::fromStdString(utf8Path), "PNG");
}

long CBitmap::CountDifferences(const CBitmap& other, int tolerance) const {
    if (!data_ || !other.data_) return -1;
    const QImage& a = data_->image;
    QImage b = other.data_->image.convertToFormat(QImage::Format_RGB32);
    if (a.size() != b.size()) return long(a.width()) * a.height() + 1;
    long n = 0;
    for (int y = 0; y < a.height(); ++y) {
        auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (std::abs(qRed(ra[x]) - qRed(rb[x])) > tolerance || std::abs(qGreen(ra[x]) - qGreen(rb[x])) > tolerance ||
                std::abs(qBlue(ra[x]) - qBlue(rb[x])) > tolerance)
                ++n;
        }
    }
    return n;
}

bool CRgn::CreateRectRgn(int left, int top, int right, int bottom) {
    if (data_) return false;
    data_ = MakeData(Kind::Region);
    if (right > left && bottom > top) data_->region = QRegion(left, top, right - left, bottom - top);
    return true;
}

bool CRgn::CreateEllipticRgn(int left, int top, int right, int bottom) {
    if (data_) return false;
    data_ = MakeData(Kind::Region);
    if (right > left && bottom > top)
        data_->region = QRegion(left, top, right - left, bottom - top, QRegion::Ellipse);
    return true;
}

bool CRgn::CreatePolygonRgn(const POINT* pts, int count) {
    if (data_ || !pts || count < 3) return false;
    QPolygon poly;
    for (int i = 0; i < count; ++i) poly << QPoint(pts[i].x, pts[i].y);
    data_ = MakeData(Kind::Region);
    data_->region = QRegion(poly, Qt::OddEvenFill);
    return true;
}

int CRgn::CombineRgn(const CRgn* a, const CRgn* b, int mode) {
    if (!a || !a->data_) return RGN_ERROR;
    QRegion ra = a->data_->region;
    QRegion rb = (b && b->data_) ? b->data_->region : QRegion();
    QRegion r;
    switch (mode) {
    case RGN_AND: r = ra.intersected(rb); break;
    case RGN_OR: r = ra.united(rb); break;
    case RGN_XOR: r = ra.xored(rb); break;
    case RGN_DIFF: r = ra.subtracted(rb); break;
    case RGN_COPY: r = ra; break;
    default: return RGN_ERROR;
    }
    if (!data_) data_ = MakeData(Kind::Region);
    data_->region = r;
    return r.isEmpty() ? NULLREGION : (r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION);
}

void CRgn::OffsetRgn(int dx, int dy) {
    if (data_) data_->region.translate(dx, dy);
}

bool CRgn::PtInRegion(int x, int y) const { return data_ && data_->region.contains(QPoint(x, y)); }

int CRgn::GetRgnBox(RECT* out) const {
    if (!data_) return RGN_ERROR;
    QRect b = data_->region.boundingRect();
    if (out) *out = RECT{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    return data_->region.isEmpty() ? NULLREGION : (data_->region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION);
}

namespace fw {

COLORREF GetSysColor(int index) {
    // The program's own colour table (not the desktop's), every element of the window system.
    static constexpr COLORREF kTable[31] = {
        RGB(200, 200, 200),  //  0 scroll bar
        RGB(58, 110, 165),   //  1 desktop
        RGB(153, 180, 209),  //  2 active caption
        RGB(191, 205, 219),  //  3 inactive caption
        RGB(240, 240, 240),  //  4 menu
        RGB(255, 255, 255),  //  5 window
        RGB(100, 100, 100),  //  6 window frame
        RGB(0, 0, 0),        //  7 menu text
        RGB(0, 0, 0),        //  8 window text
        RGB(0, 0, 0),        //  9 caption text
        RGB(180, 180, 180),  // 10 active border
        RGB(244, 247, 252),  // 11 inactive border
        RGB(171, 171, 171),  // 12 application workspace
        RGB(0, 120, 215),    // 13 highlight
        RGB(255, 255, 255),  // 14 highlight text
        RGB(240, 240, 240),  // 15 button face
        RGB(160, 160, 160),  // 16 button shadow
        RGB(109, 109, 109),  // 17 grey text
        RGB(0, 0, 0),        // 18 button text
        RGB(0, 0, 0),        // 19 inactive caption text
        RGB(255, 255, 255),  // 20 button highlight
        RGB(105, 105, 105),  // 21 dark shadow
        RGB(227, 227, 227),  // 22 light
        RGB(0, 0, 0),        // 23 tooltip text
        RGB(255, 255, 225),  // 24 tooltip background
        RGB(0, 0, 0),        // 25 (none)
        RGB(0, 102, 204),    // 26 hot-track
        RGB(185, 209, 234),  // 27 active caption gradient
        RGB(215, 228, 242),  // 28 inactive caption gradient
        RGB(0, 120, 215),    // 29 menu highlight
        RGB(240, 240, 240),  // 30 menu bar
    };
    return index >= 0 && index < 31 ? kTable[index] : RGB(0, 0, 0);
}

}  // namespace fw

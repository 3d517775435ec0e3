// The rich-text control over QTextEdit (see RichEdit.h).
#include "framework/RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

#include "framework/CodePage.h"
#include "framework/Controls.h"
#include "framework/Fonts.h"
#include "framework/WindowImpl.h"

namespace fw {
namespace {

// Where a format keeps what the program set: the twips and the face name as given, so that
// they read back exactly whatever the screen and the font substitution make of them.
constexpr int kTwipsProperty = QTextFormat::UserProperty + 1;
constexpr int kFaceProperty = QTextFormat::UserProperty + 2;

QString toQText(const char* text) {
    QString s = QString::fromStdString(ToUtf8(text ? text : ""));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

std::string fromQText(QString s) {
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\r'));
    s.replace(QChar::LineSeparator, QLatin1Char('\r'));
    s.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    return FromUtf8(s.toStdString());
}

class RichTextWidget : public QTextEdit {
public:
    RichTextWidget(QWidget* parent, bool multiLine) : QTextEdit(parent), multiLine(multiLine) {
        setAcceptRichText(false);
        setLineWrapMode(QTextEdit::NoWrap);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setFrameStyle(QFrame::NoFrame);
        setTabChangesFocus(false);
        document()->setDocumentMargin(0);
        setViewportMargins(0, 0, 0, 0);
        QObject::connect(document(), &QTextDocument::contentsChanged, this, [this] { Changed(); });
    }

    bool frame = false;
    QColor frameColor;
    void SetMargins(int l, int t, int r, int b) { setViewportMargins(l, t, r, b); }
    QRect formatRect;  // empty: the whole viewport
    std::function<void(const RECT&)> resizeListener;

    void Changed() {
        if (!resizeListener) return;
        const QSizeF s = document()->size();
        RECT r{0, 0, LONG(std::ceil(s.width())), LONG(std::ceil(s.height()))};
        resizeListener(r);
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        // A single-line control keeps one line.
        if (!multiLine && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) return;
        QTextEdit::keyPressEvent(e);
    }
    void insertFromMimeData(const QMimeData* source) override {
        if (!source || !source->hasText()) return;
        QString t = source->text();
        if (!multiLine) t.replace(QLatin1Char('\n'), QLatin1Char(' '));
        // A paste is an undo step of its own.
        QTextCursor c = textCursor();
        c.beginEditBlock();
        c.insertText(t);
        c.endEditBlock();
    }
    void paintEvent(QPaintEvent* e) override {
        QTextEdit::paintEvent(e);
        if (!frame) return;
        QPainter p(viewport());
        p.setPen(frameColor);
        p.setBrush(Qt::NoBrush);
        p.drawRect(viewport()->rect().adjusted(0, 0, -1, -1));
    }

private:
    bool multiLine;
};

RichTextWidget* widgetOf(const CWnd* wnd) {
    return wnd && wnd->impl() ? dynamic_cast<RichTextWidget*>(wnd->impl()->widget.data()) : nullptr;
}

QTextCharFormat toQFormat(const CharFormat& f) {
    QTextCharFormat q;
    const std::string family = ResolvedFamily(ToUtf8(f.face).c_str());
    q.setFontFamilies(QStringList{QString::fromStdString(family)});
    // Pixel heights keep the size independent of the screen's resolution.
    q.setProperty(QTextFormat::FontPixelSize, std::max(1, CRichEditCtrl::TwipsToPixels(f.twips)));
    q.setProperty(kTwipsProperty, f.twips);
    q.setProperty(kFaceProperty, QString::fromStdString(ToUtf8(f.face)));
    q.setFontWeight((f.effects & CharFormat::kBold) ? QFont::Bold : QFont::Normal);
    q.setFontItalic((f.effects & CharFormat::kItalic) != 0);
    q.setFontUnderline((f.effects & CharFormat::kUnderline) != 0);
    return q;
}

CharFormat fromQFormat(const QTextCharFormat& q) {
    CharFormat f;
    if (q.hasProperty(kFaceProperty)) f.face = FromUtf8(q.property(kFaceProperty).toString().toStdString());
    else if (!q.fontFamilies().toStringList().isEmpty())
        f.face = FromUtf8(q.fontFamilies().toStringList().first().toStdString());
    if (q.hasProperty(kTwipsProperty)) f.twips = q.property(kTwipsProperty).toInt();
    else if (q.hasProperty(QTextFormat::FontPixelSize)) f.twips = CRichEditCtrl::PixelsToTwips(q.intProperty(QTextFormat::FontPixelSize));
    if (q.fontWeight() >= QFont::Bold) f.effects |= CharFormat::kBold;
    if (q.fontItalic()) f.effects |= CharFormat::kItalic;
    if (q.fontUnderline()) f.effects |= CharFormat::kUnderline;
    return f;
}

QColor toQColor(COLORREF c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

}  // namespace

QWidget* CreateRichEditWidget(CWnd* wnd, DWORD style, QWidget* parent) {
    (void)wnd;
    auto* w = new RichTextWidget(parent, (style & ES_MULTILINE) != 0);
    if (style & ES_CENTER) w->setAlignment(Qt::AlignHCenter);
    return w;
}

}  // namespace fw

BOOL CRichEditCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("RichEdit20A", nullptr, style, rect, parent, id);
}

std::string CRichEditCtrl::GetText() const {
    auto* w = fw::widgetOf(this);
    return w ? fw::fromQText(w->document()->toRawText()) : std::string();
}

void CRichEditCtrl::SetText(const char* text) {
    auto* w = fw::widgetOf(this);
    if (!w) return;
    QTextCursor c(w->document());
    c.select(QTextCursor::Document);
    const QTextCharFormat keep = w->currentCharFormat();
    c.insertText(fw::toQText(text), keep);
    w->document()->clearUndoRedoStacks();
}

int CRichEditCtrl::GetTextLength() const {
    auto* w = fw::widgetOf(this);
    return w ? std::max(0, w->document()->characterCount() - 1) : 0;
}

void CRichEditCtrl::SetSel(int start, int end) {
    auto* w = fw::widgetOf(this);
    if (!w) return;
    const int n = GetTextLength();
    if (end < 0 || end > n) end = n;
    start = std::clamp(start, 0, n);
    QTextCursor c = w->textCursor();
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    w->setTextCursor(c);
}

void CRichEditCtrl::GetSel(int& start, int& end) const {
    start = end = 0;
    if (auto* w = fw::widgetOf(this)) {
        start = w->textCursor().selectionStart();
        end = w->textCursor().selectionEnd();
    }
}

void CRichEditCtrl::ReplaceSel(const char* text) {
    if (auto* w = fw::widgetOf(this)) w->textCursor().insertText(fw::toQText(text));
}

fw::CharFormat CRichEditCtrl::GetCaretFormat() const {
    auto* w = fw::widgetOf(this);
    if (!w) return {};
    QTextCursor c = w->textCursor();
    if (c.hasSelection()) {
        QTextCursor first(w->document());
        first.setPosition(c.selectionStart() + 1);
        return fw::fromQFormat(first.charFormat());
    }
    return fw::fromQFormat(w->currentCharFormat());
}

void CRichEditCtrl::SetSelectionFormat(const fw::CharFormat& format) {
    if (auto* w = fw::widgetOf(this)) w->mergeCurrentCharFormat(fw::toQFormat(format));
}

void CRichEditCtrl::SetSelectionEffects(unsigned mask, bool on) {
    auto* w = fw::widgetOf(this);
    if (!w) return;
    QTextCharFormat q;
    if (mask & fw::CharFormat::kBold) q.setFontWeight(on ? QFont::Bold : QFont::Normal);
    if (mask & fw::CharFormat::kItalic) q.setFontItalic(on);
    if (mask & fw::CharFormat::kUnderline) q.setFontUnderline(on);
    w->mergeCurrentCharFormat(q);
}

void CRichEditCtrl::SetDefaultFormat(const fw::CharFormat& format) {
    auto* w = fw::widgetOf(this);
    if (!w) return;
    const QTextCharFormat q = fw::toQFormat(format);
    QFont font = w->document()->defaultFont();
    font.setFamilies(q.fontFamilies().toStringList());
    font.setPixelSize(q.intProperty(QTextFormat::FontPixelSize));
    w->document()->setDefaultFont(font);
    QTextCursor c(w->document());
    c.movePosition(QTextCursor::Start);
    c.mergeBlockCharFormat(q);
    if (w->document()->isEmpty()) w->setCurrentCharFormat(q);
}

void CRichEditCtrl::SetParagraphAlignment(int alignment) {
    auto* w = fw::widgetOf(this);
    if (!w) return;
    const Qt::Alignment a = alignment == 1 ? Qt::AlignHCenter : alignment == 2 ? Qt::AlignRight : Qt::AlignLeft;
    w->setAlignment(a | Qt::AlignAbsolute);
}

int CRichEditCtrl::GetParagraphAlignment() const {
    auto* w = fw::widgetOf(this);
    if (!w) return 0;
    const Qt::Alignment a = w->alignment();
    return (a & Qt::AlignHCenter) ? 1 : (a & Qt::AlignRight) ? 2 : 0;
}

POINT CRichEditCtrl::PosFromChar(int index) const {
    auto* w = fw::widgetOf(this);
    if (!w) return {};
    QTextCursor c(w->document());
    c.setPosition(std::clamp(index, 0, GetTextLength()));
    const QRect r = w->cursorRect(c);
    const QPoint p = w->viewport()->mapTo(w, r.topLeft());
    return POINT{p.x(), p.y()};
}

int CRichEditCtrl::CharFromPos(POINT client) const {
    auto* w = fw::widgetOf(this);
    if (!w) return 0;
    const QPoint p = w->viewport()->mapFrom(w, QPoint(int(client.x), int(client.y)));
    return w->cursorForPosition(p).position();
}

int CRichEditCtrl::LineFromChar(int index) const {
    auto* w = fw::widgetOf(this);
    if (!w) return 0;
    return w->document()->findBlock(std::clamp(index, 0, GetTextLength())).blockNumber();
}

int CRichEditCtrl::GetLineCount() const {
    auto* w = fw::widgetOf(this);
    return w ? w->document()->blockCount() : 0;
}

int CRichEditCtrl::LineIndex(int line) const {
    auto* w = fw::widgetOf(this);
    if (!w) return -1;
    const QTextBlock b = w->document()->findBlockByNumber(line);
    return b.isValid() ? b.position() : -1;
}

CRichEditCtrl::LineMetrics CRichEditCtrl::GetLineMetrics(int line) const {
    LineMetrics m;
    auto* w = fw::widgetOf(this);
    if (!w) return m;
    const QTextBlock b = w->document()->findBlockByNumber(line);
    if (!b.isValid() || !b.layout() || b.layout()->lineCount() == 0) return m;
    const QTextLine l = b.layout()->lineAt(0);
    m.width = int(std::ceil(l.naturalTextWidth()));
    m.ascent = int(std::ceil(l.ascent()));
    m.height = int(std::ceil(l.height()));
    return m;
}

RECT CRichEditCtrl::GetRect() const {
    auto* w = fw::widgetOf(this);
    if (!w) return {};
    QRect r = w->formatRect.isEmpty() ? w->rect() : w->formatRect;
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void CRichEditCtrl::SetRect(const RECT& rect) {
    auto* w = fw::widgetOf(this);
    if (!w) return;
    w->formatRect = QRect(int(rect.left), int(rect.top), int(rect.right - rect.left), int(rect.bottom - rect.top));
    const QRect all = w->rect();
    w->SetMargins(std::max(0, int(rect.left)), std::max(0, int(rect.top)),
                          std::max(0, all.width() - int(rect.right)), std::max(0, all.height() - int(rect.bottom)));
}

SIZE CRichEditCtrl::GetWantedSize() const {
    auto* w = fw::widgetOf(this);
    if (!w) return {};
    const QSizeF s = w->document()->size();
    return SIZE{LONG(std::ceil(s.width())), LONG(std::ceil(s.height()))};
}

void CRichEditCtrl::SetRequestResize(std::function<void(const RECT&)> listener) {
    if (auto* w = fw::widgetOf(this)) w->resizeListener = std::move(listener);
}

bool CRichEditCtrl::CanUndo() const {
    auto* w = fw::widgetOf(this);
    return w && w->document()->isUndoAvailable();
}
void CRichEditCtrl::Undo() {
    if (auto* w = fw::widgetOf(this)) w->undo();
}
void CRichEditCtrl::Redo() {
    if (auto* w = fw::widgetOf(this)) w->redo();
}
void CRichEditCtrl::Cut() {
    if (auto* w = fw::widgetOf(this)) w->cut();
}
void CRichEditCtrl::Copy() {
    if (auto* w = fw::widgetOf(this)) w->copy();
}
void CRichEditCtrl::Paste() {
    if (auto* w = fw::widgetOf(this)) w->paste();
}
void CRichEditCtrl::Clear() {
    if (auto* w = fw::widgetOf(this)) w->textCursor().removeSelectedText();
}

bool CRichEditCtrl::CanPaste() {
    if (!QGuiApplication::instance()) return false;
    const QMimeData* m = QGuiApplication::clipboard()->mimeData();
    return m && !m->formats().isEmpty();
}

void CRichEditCtrl::SetFrame(bool on, COLORREF color) {
    auto* w = fw::widgetOf(this);
    if (!w) return;
    w->frame = on;
    w->frameColor = fw::toQColor(color);
    w->viewport()->update();
}

void CRichEditCtrl::SetBackgroundColor(COLORREF color) {
    auto* w = fw::widgetOf(this);
    if (!w) return;
    QPalette p = w->palette();
    p.setColor(QPalette::Base, fw::toQColor(color));
    w->setPalette(p);
}

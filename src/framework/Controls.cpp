// The standard controls over Qt's widgets, their messages and notifications, and the scroll
// bars of windows.
#include "framework/Controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <cstring>
#include <string>

#include "framework/Arith.h"
#include "framework/CodePage.h"
#include "framework/Cursor.h"
#include "framework/Input.h"
#include "framework/Resources.h"
#include "framework/WindowImpl.h"

namespace fw {

struct ControlData {
    DWORD style = 0;
    QPointer<QWidget> w;
    // Buttons: the check as the program set it (non-automatic buttons keep it).
    int check = BST_UNCHECKED;
    bool pushed = false;
    // Combo boxes.
    int droppedHeight = 100;
    int fieldHeight = 20;
    int itemHeight = 14;
    std::vector<DWORD_PTR> comboData;
    // List boxes.
    std::vector<DWORD_PTR> listData;
    int listItemHeight = 16;
    // Scroll bars.
    ScrollState sb;
    // Sliders.
    int ticFreq = 1;
    // Spin buttons: lower and upper ends (the top arrow moves toward upper).
    int lower = 100;
    int upper = 0;
    int pos = 0;
    CWnd* buddy = nullptr;
    // Progress bars.
    int step = 10;
    // A link (class "SysLink"): shown as a link, with the hand pointer, and clicked.
    bool link = false;
    // Set while the program changes the control (no notification then).
    int programmatic = 0;
    int limitText = 0;
};

void ControlDataDeleter::operator()(ControlData* d) const { delete d; }

namespace {

QString toQ(const char* text) { return QString::fromStdString(ToUtf8(text ? text : "")); }
std::string fromQ(const QString& s) { return FromUtf8(s.toStdString()); }

ControlData* dataOf(const CWnd* wnd) { return wnd && wnd->impl() ? wnd->impl()->control.get() : nullptr; }

void notify(CWnd* ctl, UINT code) {
    if (!ctl || !ctl->impl()->widget) return;
    ControlData* d = dataOf(ctl);
    if (d && d->programmatic) return;
    CWnd* parent = ctl->GetParent();
    if (!parent || !parent->impl()->widget) return;
    parent->SendMessage(WM_COMMAND, MAKEWPARAM(ctl->GetDlgCtrlID(), code), LPARAM(ctl));
}

// Runs f with notifications off.
template <typename F>
auto quietly(ControlData* d, F f) {
    ++d->programmatic;
    struct Done {
        ControlData* d;
        ~Done() { --d->programmatic; }
    } done{d};
    return f();
}

// Routes the platform events of a control's widgets to its window.
class ControlFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* obj, QEvent* e) override {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            break;
        default:
            if (int(e->type()) == kPaintEvent || int(e->type()) == kDrawItemsEvent) break;
            return false;
        }
        CWnd* wnd = WndOf(obj);
        auto* w = qobject_cast<QWidget*>(obj);
        if (!wnd || !w) return false;
        if (bypass()) return false;
        return RouteEvent(wnd, w, e);
    }
    static bool& bypass() {
        static bool b = false;
        return b;
    }
};

ControlFilter* filter() {
    static QPointer<ControlFilter> f;
    if (!f) {
        f = new ControlFilter;
        f->setParent(QCoreApplication::instance());
    }
    return f;
}

void watch(QWidget* w, CWnd* wnd) {
    BindWidget(w, wnd);
    w->installEventFilter(filter());
    w->setMouseTracking(true);
}

// Check boxes and radio buttons take clicks over their whole rectangle, as the platform's do.
class WideCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};
class WideRadioButton : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// An owner-drawn control: shows what its parent draws under it; a button sends BN_CLICKED.
class OwnerDrawWidget : public QWidget {
public:
    OwnerDrawWidget(QWidget* parent, bool button) : QWidget(parent), button_(button) {
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(button ? Qt::TabFocus : Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {}
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) pressed_ = true;
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        bool was = pressed_;
        pressed_ = false;
        if (was && button_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
            notify(WndOf(this), BN_CLICKED);
    }

private:
    bool button_;
    bool pressed_ = false;
};

// A spin button: two arrows that step a value between two ends, shown in a buddy field.
class SpinWidget : public QWidget {
public:
    SpinWidget(QWidget* parent, bool horizontal) : QWidget(parent), horizontal_(horizontal) {
        auto* up = new QToolButton(this);
        auto* down = new QToolButton(this);
        up->setArrowType(horizontal ? Qt::RightArrow : Qt::UpArrow);
        down->setArrowType(horizontal ? Qt::LeftArrow : Qt::DownArrow);
        for (QToolButton* b : {up, down}) {
            b->setAutoRepeat(true);
            b->setFocusPolicy(Qt::NoFocus);
        }
        up_ = up;
        down_ = down;
        QObject::connect(up, &QToolButton::clicked, this, [this] { step(+1); });
        QObject::connect(down, &QToolButton::clicked, this, [this] { step(-1); });
    }
    void step(int dir);

protected:
    void resizeEvent(QResizeEvent*) override {
        int w = width(), h = height();
        if (horizontal_) {
            down_->setGeometry(0, 0, w / 2, h);
            up_->setGeometry(w / 2, 0, w - w / 2, h);
        } else {
            up_->setGeometry(0, 0, w, h / 2);
            down_->setGeometry(0, h / 2, w, h - h / 2);
        }
    }

private:
    bool horizontal_;
    QToolButton* up_;
    QToolButton* down_;
};

int spinMin(const ControlData* d) { return std::min(d->lower, d->upper); }
int spinMax(const ControlData* d) { return std::max(d->lower, d->upper); }

// The spin's position: the buddy's number when it shows one.
int spinPos(CWnd* wnd, bool* error = nullptr) {
    ControlData* d = dataOf(wnd);
    if (error) *error = false;
    if (d->buddy && d->buddy->impl()->widget && (d->style & UDS_SETBUDDYINT)) {
        std::string t = d->buddy->GetWindowText();
        t.erase(std::remove(t.begin(), t.end(), ','), t.end());
        char* end = nullptr;
        long v = std::strtol(t.c_str(), &end, 10);
        if (end && end != t.c_str() && *end == 0) {
            d->pos = int(std::clamp<long>(v, spinMin(d), spinMax(d)));
        } else if (error) {
            *error = true;
        }
    }
    return d->pos;
}

void spinShow(CWnd* wnd) {
    ControlData* d = dataOf(wnd);
    if (d->buddy && d->buddy->impl()->widget && (d->style & UDS_SETBUDDYINT)) {
        std::string t = std::to_string(d->pos);
        if (!(d->style & UDS_NOTHOUSANDS) && std::abs(d->pos) >= 1000) {
            // Thousands separators as the platform writes them.
            std::string digits = std::to_string(std::abs(d->pos)), out;
            int n = int(digits.size());
            for (int i = 0; i < n; ++i) {
                out += digits[std::size_t(i)];
                if ((n - 1 - i) % 3 == 0 && i != n - 1) out += ',';
            }
            t = (d->pos < 0 ? "-" : "") + out;
        }
        d->buddy->SetWindowText(t.c_str());
    }
}

void SpinWidget::step(int dir) {
    CWnd* wnd = WndOf(this);
    ControlData* d = dataOf(wnd);
    if (!d) return;
    int pos = spinPos(wnd);
    int delta = d->upper >= d->lower ? dir : -dir;
    int next = pos + delta;
    if (next > spinMax(d)) next = (d->style & UDS_WRAP) ? spinMin(d) : spinMax(d);
    if (next < spinMin(d)) next = (d->style & UDS_WRAP) ? spinMax(d) : spinMin(d);
    d->pos = next;
    spinShow(wnd);
    CWnd* parent = wnd->GetParent();
    if (!parent) return;
    UINT msg = (d->style & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL;
    parent->SendMessage(msg, MAKEWPARAM(SB_THUMBPOSITION, next), LPARAM(wnd));
    if (wnd->impl()->widget) parent->SendMessage(msg, MAKEWPARAM(SB_ENDSCROLL, next), LPARAM(wnd));
}

// ---- scroll bars with the platform's rules: the program moves the thumb ----------------------

int limitOf(const ScrollState& s) { return s.max - std::max(s.page - 1, 0); }

void showState(QScrollBar* bar, const ScrollState& s) {
    if (!bar) return;
    QSignalBlocker block(bar);
    bar->setRange(s.min, std::max(s.min, limitOf(s)));
    bar->setPageStep(std::max(1, s.page));
    bar->setSingleStep(1);
    bar->setValue(s.pos);
    bar->setEnabled(s.enabled && limitOf(s) > s.min);
}

// Connects a scroll bar; owner gets the messages, ctl is lParam (null for a window's own bar).
void connectBar(QScrollBar* bar, CWnd* ctlOrWindow, bool own, bool vertical) {
    QPointer<QScrollBar> pb = bar;
    QWidget* key = own ? ctlOrWindow->impl()->surface() : bar;
    auto state = [key, own, vertical]() -> ScrollState* {
        CWnd* w = WndOf(key);
        if (!w) return nullptr;
        if (own) return vertical ? &w->impl()->vs : &w->impl()->hs;
        ControlData* d = dataOf(w);
        return d ? &d->sb : nullptr;
    };
    auto send = [key, own, vertical](UINT code, int pos) {
        CWnd* w = WndOf(key);
        if (!w) return;
        UINT msg = vertical ? WM_VSCROLL : WM_HSCROLL;
        if (own) {
            w->SendMessage(msg, MAKEWPARAM(code, pos & 0xFFFF), 0);
        } else if (CWnd* parent = w->GetParent()) {
            parent->SendMessage(msg, MAKEWPARAM(code, pos & 0xFFFF), LPARAM(w));
        }
    };
    QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [pb, state, send](int action) {
        ScrollState* s = state();
        if (!s || !pb) return;
        UINT code;
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
        case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
        case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
        case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
        case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
        case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
        case QAbstractSlider::SliderMove: code = SB_THUMBTRACK; break;
        default: return;
        }
        int track = pb->sliderPosition();
        if (code == SB_THUMBTRACK) s->trackPos = track;
        send(code, code == SB_THUMBTRACK ? track : s->pos);
        // The thumb shows the position the program set, except while it is dragged.
        if (pb && code != SB_THUMBTRACK) {
            if (ScrollState* now = state()) pb->setSliderPosition(now->pos);
        }
    });
    QObject::connect(bar, &QAbstractSlider::sliderReleased, bar, [pb, state, send] {
        ScrollState* s = state();
        if (!s || !pb) return;
        s->trackPos = pb->sliderPosition();
        send(SB_THUMBPOSITION, s->trackPos);
        send(SB_ENDSCROLL, 0);
        if (ScrollState* now = state()) showState(pb, *now);
    });
}

int clampPos(const ScrollState& s, int pos) { return std::clamp(pos, s.min, std::max(s.min, limitOf(s))); }

// Applies a SCROLLINFO to a state; returns the position.
int applyInfo(ScrollState& s, const SCROLLINFO& si) {
    if (si.fMask & SIF_RANGE) {
        s.min = si.nMin;
        s.max = si.nMax;
    }
    if (si.fMask & SIF_PAGE) s.page = int(std::min<UINT>(si.nPage, UINT(std::max(0, s.max - s.min + 1))));
    if (si.fMask & SIF_POS) s.pos = si.nPos;
    s.pos = clampPos(s, s.pos);
    return s.pos;
}

void fillInfo(const ScrollState& s, SCROLLINFO* si, UINT mask) {
    si->fMask = mask;
    if (mask & SIF_RANGE) {
        si->nMin = s.min;
        si->nMax = s.max;
    }
    if (mask & SIF_PAGE) si->nPage = UINT(s.page);
    if (mask & SIF_POS) si->nPos = s.pos;
    if (mask & SIF_TRACKPOS) si->nTrackPos = s.trackPos;
}

int insertSorted(QStringList items, const QString& text) {
    int i = 0;
    while (i < items.size() && QString::compare(items[i], text, Qt::CaseInsensitive) <= 0) ++i;
    return i;
}

// Finds an entry: after `after` (-1: from the start), wrapping round; prefix or exact, case
// blind.
int findEntry(const QStringList& items, int after, const QString& text, bool exact) {
    int n = int(items.size());
    if (n == 0) return CB_ERR;
    int start = (after < 0 || after >= n) ? 0 : after + 1;
    for (int k = 0; k < n; ++k) {
        int i = (start + k) % n;
        bool hit = exact ? QString::compare(items[i], text, Qt::CaseInsensitive) == 0
                         : items[i].startsWith(text, Qt::CaseInsensitive);
        if (hit) return i;
    }
    return CB_ERR;
}

QStringList comboItems(QComboBox* c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
    return l;
}

QStringList listItems(QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
}

int copyOut(const QString& text, LPARAM buffer) {
    std::string s = fromQ(text);
    if (buffer) std::memcpy(reinterpret_cast<char*>(buffer), s.c_str(), s.size() + 1);
    return int(s.size());
}

// Byte offsets of the code-page text to character indices and back.
// The bytes of the character at cp[i]; a multi-line field holds a line break ("\r\n" in the
// program's text) as one character.
std::size_t charBytesAt(const std::string& cp, std::size_t i, bool lineBreakIsOne) {
    if (lineBreakIsOne && cp[i] == '\r' && i + 1 < cp.size() && cp[i + 1] == '\n') return 2;
    return CharBytes(cp.c_str() + i);
}
int charIndex(const std::string& cp, int byteOffset, bool lineBreakIsOne = false) {
    int chars = 0;
    std::size_t i = 0;
    while (i < cp.size() && int(i) < byteOffset) {
        std::size_t n = charBytesAt(cp, i, lineBreakIsOne);
        if (n == 0) break;
        i += n;
        ++chars;
    }
    return chars;
}
int byteOffset(const std::string& cp, int charIdx, bool lineBreakIsOne = false) {
    std::size_t i = 0;
    for (int c = 0; c < charIdx && i < cp.size(); ++c) {
        std::size_t n = charBytesAt(cp, i, lineBreakIsOne);
        if (n == 0) break;
        i += n;
    }
    return int(i);
}

WndKind buttonKind(DWORD style) { return (style & BS_TYPEMASK) == BS_OWNERDRAW ? WndKind::OwnerDraw : WndKind::Button; }

}  // namespace

// ---- creation -------------------------------------------------------------------------------

QWidget* CreateControlWidget(CWnd* wnd, const char* className, DWORD style, QWidget* parent) {
    QString cls = QString::fromLatin1(className).toLower();
    std::unique_ptr<ControlData, ControlDataDeleter> d(new ControlData);
    d->style = style;
    QWidget* w = nullptr;
    WndKind kind;
    if (cls == QLatin1String("button")) {
        kind = buttonKind(style);
        DWORD type = style & BS_TYPEMASK;
        if (kind == WndKind::OwnerDraw) {
            w = new OwnerDrawWidget(parent, true);
        } else if (type == BS_GROUPBOX) {
            auto* g = new QGroupBox(parent);
            g->setAttribute(Qt::WA_TransparentForMouseEvents);
            w = g;
        } else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE) {
            if (style & BS_PUSHLIKE) {
                auto* b = new QPushButton(parent);
                b->setCheckable(true);
                w = b;
            } else {
                auto* c = new WideCheckBox(parent);
                c->setTristate(type == BS_3STATE || type == BS_AUTO3STATE);
                if (style & BS_LEFTTEXT) c->setLayoutDirection(Qt::RightToLeft);
                w = c;
            }
        } else if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
            auto* r = new WideRadioButton(parent);
            r->setAutoExclusive(false);
            w = r;
        } else {
            auto* b = new QPushButton(parent);
            b->setAutoDefault(false);
            b->setDefault(type == BS_DEFPUSHBUTTON);
            w = b;
        }
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            QPointer<QAbstractButton> pb = b;
            QObject::connect(b, &QAbstractButton::clicked, b, [pb] {
                CWnd* c = WndOf(pb);
                ControlData* cd = dataOf(c);
                if (!c || !cd) return;
                DWORD t = cd->style & BS_TYPEMASK;
                if (t == BS_AUTORADIOBUTTON) {
                    // Checks this button and clears the others of its group.
                    CWnd* parentWnd = c->GetParent();
                    if (parentWnd) {
                        auto kids = parentWnd->GetChildren();
                        auto it = std::find(kids.begin(), kids.end(), c);
                        auto first = it;
                        while (first != kids.begin() && !((*first)->GetStyle() & WS_GROUP)) --first;
                        for (auto k = first; k != kids.end(); ++k) {
                            if (k != first && ((*k)->GetStyle() & WS_GROUP)) break;
                            ControlData* kd = dataOf(*k);
                            if (*k != c && kd && ((kd->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON))
                                (*k)->SendMessage(BM_SETCHECK, BST_UNCHECKED);
                        }
                    }
                    c->SendMessage(BM_SETCHECK, BST_CHECKED);
                } else if (t == BS_AUTOCHECKBOX || t == BS_AUTO3STATE) {
                    cd->check = (t == BS_AUTO3STATE) ? (cd->check + 1) % 3 : (cd->check ? 0 : 1);
                    c->SendMessage(BM_SETCHECK, WPARAM(cd->check));
                } else if (t == BS_CHECKBOX || t == BS_3STATE || t == BS_RADIOBUTTON) {
                    c->SendMessage(BM_SETCHECK, WPARAM(cd->check));  // the program decides
                }
                notify(c, BN_CLICKED);
            });
        }
        if (style & BS_ICON) {
            // The image comes with BM_SETIMAGE.
        }
    } else if (cls == QLatin1String("edit")) {
        kind = WndKind::Edit;
        if (style & ES_MULTILINE) {
            auto* e = new QPlainTextEdit(parent);
            e->setReadOnly(style & ES_READONLY);
            e->setTabChangesFocus(true);
            QPointer<QPlainTextEdit> pe = e;
            QObject::connect(e, &QPlainTextEdit::textChanged, e, [pe] { notify(WndOf(pe), EN_CHANGE); });
            w = e;
            watch(e->viewport(), wnd);
        } else {
            auto* e = new QLineEdit(parent);
            e->setReadOnly(style & ES_READONLY);
            if (style & ES_PASSWORD) e->setEchoMode(QLineEdit::Password);
            if (style & ES_NUMBER)
                e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
            Qt::Alignment a = (style & ES_RIGHT) ? Qt::AlignRight : (style & ES_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft;
            e->setAlignment(a | Qt::AlignVCenter);
            QPointer<QLineEdit> pe = e;
            QObject::connect(e, &QLineEdit::textChanged, e, [pe] {
                CWnd* c = WndOf(pe);
                ControlData* cd = dataOf(c);
                if (!c || !cd) return;
                // Change notifications come also when the program sets the text.
                int saved = cd->programmatic;
                cd->programmatic = 0;
                notify(c, EN_CHANGE);
                if (ControlData* again = dataOf(WndOf(pe))) again->programmatic = saved;
            });
            w = e;
        }
    } else if (cls == QLatin1String("syslink")) {
        // A link: its text (a web address) in the desktop's link colour, underlined; a click
        // reaches the parent as STN_CLICKED.
        kind = WndKind::Static;
        auto* l = new QLabel(parent);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QFont f = l->font();
        f.setUnderline(true);
        l->setFont(f);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, pal.color(QPalette::Link));
        l->setPalette(pal);
        d->link = true;
        w = l;
    } else if (cls == QLatin1String("static")) {
        DWORD type = style & SS_TYPEMASK;
        if (type == SS_OWNERDRAW) {
            kind = WndKind::OwnerDraw;
            w = new OwnerDrawWidget(parent, false);
        } else if (type == SS_BLACKFRAME || type == SS_ETCHEDFRAME || type == SS_BLACKRECT) {
            kind = WndKind::Static;
            auto* f = new QFrame(parent);
            f->setFrameShape(type == SS_BLACKRECT ? QFrame::Panel : QFrame::Box);
            f->setFrameShadow(type == SS_ETCHEDFRAME ? QFrame::Sunken : QFrame::Plain);
            w = f;
        } else {
            kind = WndKind::Static;
            auto* l = new QLabel(parent);
            Qt::Alignment a = type == SS_RIGHT ? Qt::AlignRight : type == SS_CENTER ? Qt::AlignHCenter : Qt::AlignLeft;
            l->setAlignment(a | Qt::AlignTop);
            l->setWordWrap(type != SS_ICON);
            l->setTextFormat(Qt::PlainText);
            if (style & SS_SUNKEN) l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            w = l;
        }
        if (!(style & SS_NOTIFY)) w->setAttribute(Qt::WA_TransparentForMouseEvents);
    } else if (cls == QLatin1String("combobox")) {
        kind = WndKind::Combo;
        auto* c = new QComboBox(parent);
        DWORD type = style & 0x3;
        c->setEditable(type == CBS_DROPDOWN || type == CBS_SIMPLE);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->setMaxVisibleItems(8);
        QPointer<QComboBox> pc = c;
        QObject::connect(c, QOverload<int>::of(&QComboBox::activated), c, [pc](int) {
            CWnd* w2 = WndOf(pc);
            notify(w2, CBN_SELCHANGE);
            if (WndOf(pc)) notify(WndOf(pc), CBN_SELENDOK);
            if (WndOf(pc)) notify(WndOf(pc), CBN_CLOSEUP);
        });
        if (c->isEditable()) {
            QObject::connect(c, &QComboBox::editTextChanged, c, [pc](const QString&) {
                if (pc && pc->lineEdit() && pc->lineEdit()->hasFocus()) notify(WndOf(pc), CBN_EDITCHANGE);
            });
            watch(c->lineEdit(), wnd);
        }
        w = c;
    } else if (cls == QLatin1String("listbox")) {
        kind = WndKind::List;
        auto* l = new QListWidget(parent);
        l->setSelectionMode((style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) ? QAbstractItemView::ExtendedSelection
                            : (style & LBS_NOSEL)                         ? QAbstractItemView::NoSelection
                                                                          : QAbstractItemView::SingleSelection);
        l->setUniformItemSizes(true);
        QPointer<QListWidget> pl = l;
        QObject::connect(l, &QListWidget::itemSelectionChanged, l, [pl] { notify(WndOf(pl), LBN_SELCHANGE); });
        QObject::connect(l, &QListWidget::itemDoubleClicked, l, [pl](QListWidgetItem*) { notify(WndOf(pl), LBN_DBLCLK); });
        watch(l->viewport(), wnd);
        w = l;
    } else if (cls == QLatin1String("scrollbar")) {
        kind = WndKind::ScrollBar;
        auto* b = new QScrollBar((style & SBS_VERT) ? Qt::Vertical : Qt::Horizontal, parent);
        d->sb.shown = true;
        w = b;
    } else if (cls == QLatin1String("msctls_trackbar32")) {
        kind = WndKind::Slider;
        auto* s = new QSlider((style & TBS_VERT) ? Qt::Vertical : Qt::Horizontal, parent);
        s->setInvertedAppearance(style & TBS_VERT);  // the minimum is at the top
        s->setRange(0, 100);
        s->setTickPosition((style & TBS_NOTICKS) ? QSlider::NoTicks
                           : (style & TBS_BOTH)  ? QSlider::TicksBothSides
                           : (style & TBS_TOP)   ? QSlider::TicksAbove
                                                 : QSlider::TicksBelow);
        QPointer<QSlider> ps = s;
        auto send = [ps](UINT code) {
            CWnd* c = WndOf(ps);
            if (!c || !ps) return;
            CWnd* parentWnd = c->GetParent();
            if (!parentWnd) return;
            UINT msg = ps->orientation() == Qt::Vertical ? WM_VSCROLL : WM_HSCROLL;
            parentWnd->SendMessage(msg, MAKEWPARAM(code, ps->sliderPosition() & 0xFFFF), LPARAM(c));
        };
        QObject::connect(s, &QAbstractSlider::actionTriggered, s, [ps, send](int action) {
            if (!ps) return;
            switch (action) {
            case QAbstractSlider::SliderMove: send(TB_THUMBTRACK); break;
            case QAbstractSlider::SliderSingleStepAdd:
                send(TB_LINEDOWN);
                send(TB_ENDTRACK);
                break;
            case QAbstractSlider::SliderSingleStepSub:
                send(TB_LINEUP);
                send(TB_ENDTRACK);
                break;
            case QAbstractSlider::SliderPageStepAdd:
                send(TB_PAGEDOWN);
                send(TB_ENDTRACK);
                break;
            case QAbstractSlider::SliderPageStepSub:
                send(TB_PAGEUP);
                send(TB_ENDTRACK);
                break;
            case QAbstractSlider::SliderToMinimum:
                send(TB_TOP);
                send(TB_ENDTRACK);
                break;
            case QAbstractSlider::SliderToMaximum:
                send(TB_BOTTOM);
                send(TB_ENDTRACK);
                break;
            default: break;
            }
        });
        QObject::connect(s, &QAbstractSlider::sliderReleased, s, [send] {
            send(TB_THUMBPOSITION);
            send(TB_ENDTRACK);
        });
        w = s;
    } else if (cls == QLatin1String("systreeview32")) {
        kind = WndKind::Tree;
        auto* t = static_cast<QAbstractScrollArea*>(CreateTreeWidget(wnd, style, parent));
        watch(t->viewport(), wnd);
        w = t;
    } else if (cls == QLatin1String("richedit20a")) {
        kind = WndKind::Edit;
        auto* t = static_cast<QAbstractScrollArea*>(CreateRichEditWidget(wnd, style, parent));
        watch(t->viewport(), wnd);
        w = t;
    } else if (cls == QLatin1String("msctls_updown32")) {
        kind = WndKind::Spin;
        w = new SpinWidget(parent, style & UDS_HORZ);
    } else if (cls == QLatin1String("msctls_progress32")) {
        kind = WndKind::Progress;
        auto* p = new QProgressBar(parent);
        p->setOrientation((style & PBS_VERTICAL) ? Qt::Vertical : Qt::Horizontal);
        p->setTextVisible(false);
        p->setRange(0, 100);
        p->setValue(0);
        w = p;
    } else {
        return nullptr;
    }
    if (style & WS_TABSTOP) w->setFocusPolicy(kind == WndKind::Static ? Qt::NoFocus : Qt::StrongFocus);
    else if (kind != WndKind::Edit && kind != WndKind::Combo && kind != WndKind::List && kind != WndKind::Tree) w->setFocusPolicy(Qt::ClickFocus);
    d->w = w;
    CWnd::Impl& impl = *wnd->impl();
    impl.kind = kind;
    impl.control = std::move(d);
    // List boxes and trees take double clicks, as the system's own classes do; the other
    // controls see every press as a press.
    impl.classStyle = kind == WndKind::List || kind == WndKind::Tree ? UINT(CS_DBLCLKS) : 0;
    watch(w, wnd);
    if (kind == WndKind::ScrollBar) connectBar(static_cast<QScrollBar*>(w), wnd, false, style & SBS_VERT);
    if (kind == WndKind::Spin) {
        // The buddy: the control made just before, when asked to take it.
        if ((style & UDS_AUTOBUDDY) && impl.parent == nullptr) {
            // (the parent is set after creation; see below)
        }
    }
    return w;
}

// After creation (the parent is known): the spin's automatic buddy.
static void spinAutoBuddy(CWnd* wnd) {
    ControlData* d = dataOf(wnd);
    if (!d || wnd->impl()->kind != WndKind::Spin || !(d->style & UDS_AUTOBUDDY)) return;
    CWnd* prev = wnd->GetWindow(GW_HWNDPREV);
    if (prev) wnd->SendMessage(UDM_SETBUDDY, WPARAM(prev), 0);
}

void DestroyControlData(CWnd* wnd) {
    CWnd::Impl& d = *wnd->impl();
    if (d.control) {
        d.control->buddy = nullptr;
    }
    // Spins that name this window as buddy forget it.
    if (CWnd* p = d.parent) {
        for (CWnd* k : p->GetChildren())
            if (ControlData* kd = dataOf(k); kd && kd->buddy == wnd) kd->buddy = nullptr;
    }
    if (d.widget) {
        for (QWidget* child : d.widget->findChildren<QWidget*>())
            if (WndOf(child) == wnd) UnbindWidget(child);
    }
}

bool ControlSetText(CWnd* wnd, const QString& text) {
    ControlData* d = dataOf(wnd);
    if (!d || !d->w) return false;
    QWidget* w = d->w;
    auto mnemonicFree = [](QString t) {
        // "&&" shows one "&"; a single "&" marks the mnemonic and is not shown.
        QString out;
        for (int i = 0; i < t.size(); ++i) {
            if (t[i] == QLatin1Char('&')) {
                if (i + 1 < t.size() && t[i + 1] == QLatin1Char('&')) {
                    out += QLatin1Char('&');
                    ++i;
                }
                continue;
            }
            out += t[i];
        }
        return out;
    };
    w->setProperty("zeltext", text);
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
    } else if (auto* pe = qobject_cast<QPlainTextEdit*>(w)) {
        QString t = text;
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        pe->setPlainText(t);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(text);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        g->setTitle(text);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(mnemonicFree(text));
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        if (c->isEditable()) {
            quietly(d, [&] {
                c->setEditText(text);
                return 0;
            });
        } else {
            int i = c->findText(text, Qt::MatchFixedString);
            quietly(d, [&] {
                c->setCurrentIndex(i);
                return 0;
            });
        }
    }
    return true;
}

bool ControlGetText(const CWnd* wnd, QString* text) {
    ControlData* d = dataOf(wnd);
    if (!d || !d->w) return false;
    QWidget* w = d->w;
    if (auto* e = qobject_cast<QLineEdit*>(w)) *text = e->text();
    else if (auto* pe = qobject_cast<QPlainTextEdit*>(w)) *text = pe->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    else if (auto* c = qobject_cast<QComboBox*>(w)) *text = c->currentText();
    else *text = w->property("zeltext").toString();
    return true;
}

int ComboGeometryHeight(CWnd* wnd, int requestedHeight) {
    ControlData* d = dataOf(wnd);
    if (!d) return requestedHeight;
    if (requestedHeight != d->fieldHeight) d->droppedHeight = requestedHeight;
    if (auto* c = qobject_cast<QComboBox*>(d->w.data()))
        c->setMaxVisibleItems(std::max(1, (d->droppedHeight - d->fieldHeight) / std::max(1, d->itemHeight + 2)));
    return d->fieldHeight;
}

void ControlMoved(CWnd* wnd) {
    CWnd::Impl& impl = *wnd->impl();
    if (impl.kind == WndKind::OwnerDraw) {
        impl.ownerDirty = true;
        ScheduleDrawItems(impl.parent);
    }
    if (impl.kind == WndKind::Spin) spinAutoBuddy(wnd);
}

bool SubclassControl(CWnd* control, CWnd* newWnd) {
    CWnd::Impl& from = *control->impl();
    CWnd::Impl& to = *newWnd->impl();
    if (!from.widget || to.widget) return false;
    QWidget* w = from.widget;
    to.widget = from.widget;
    to.client = from.client;
    to.kind = from.kind;
    to.style = from.style;
    to.exStyle = from.exStyle;
    to.classStyle = from.classStyle;
    to.classCursor = from.classCursor;
    to.id = from.id;
    to.parent = from.parent;
    to.font = from.font;
    to.lastSize = from.lastSize;
    to.control = std::move(from.control);
    to.backing = std::move(from.backing);
    to.backingPainter = from.backingPainter;
    to.timers = std::move(from.timers);
    to.hs = from.hs;
    to.vs = from.vs;
    to.hbar = from.hbar;
    to.vbar = from.vbar;
    to.ownerDirty = from.ownerDirty;
    to.frameworkOwned = false;
    BindWidget(w, newWnd);
    for (QWidget* child : w->findChildren<QWidget*>())
        if (WndOf(child) == control) BindWidget(child, newWnd);
    if (CWnd* p = to.parent) {
        for (CWnd*& k : p->impl()->children)
            if (k == control) k = newWnd;
        for (CWnd* k : p->impl()->children)
            if (ControlData* kd = dataOf(k); kd && kd->buddy == control) kd->buddy = newWnd;
    }
    ForgetWindow(control);
    bool owned = from.frameworkOwned;
    from.widget = nullptr;
    from.client = nullptr;
    from.parent = nullptr;
    from.backingPainter = nullptr;
    if (owned) delete control;
    return true;
}

// ---- the controls' messages -----------------------------------------------------------------

namespace {

// Sends a key to a widget's own handling, past the router.
void nativeKey(QWidget* w, int key, const QString& text) {
    ControlFilter::bypass() = true;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w->focusProxy() ? w->focusProxy() : w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w->focusProxy() ? w->focusProxy() : w, &release);
    ControlFilter::bypass() = false;
}

LRESULT buttonProc(CWnd* wnd, ControlData* d, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* b = qobject_cast<QAbstractButton*>(d->w.data());
    switch (message) {
    case BM_GETCHECK: return d->check;
    case BM_SETCHECK: {
        d->check = int(wParam);
        if (auto* c = qobject_cast<QCheckBox*>(b)) {
            QSignalBlocker block(c);
            c->setCheckState(wParam == BST_CHECKED ? Qt::Checked : wParam == BST_INDETERMINATE ? Qt::PartiallyChecked : Qt::Unchecked);
        } else if (b && b->isCheckable()) {
            QSignalBlocker block(b);
            b->setChecked(wParam == BST_CHECKED);
        } else if (auto* r = qobject_cast<QRadioButton*>(b)) {
            r->setChecked(wParam == BST_CHECKED);
        }
        if (wnd->impl()->kind == WndKind::OwnerDraw) ControlMoved(wnd);
        return 0;
    }
    case BM_GETSTATE: return d->check | (d->pushed || (b && b->isDown()) ? 0x4 : 0);
    case BM_SETSTATE:
        d->pushed = wParam != 0;
        if (b) b->setDown(d->pushed);
        if (wnd->impl()->kind == WndKind::OwnerDraw) ControlMoved(wnd);
        return 0;
    case BM_CLICK:
        if (b) b->click();
        else notify(wnd, BN_CLICKED);
        return 0;
    case BM_SETIMAGE: {
        if (!b) return 0;
        std::string path;
        QPixmap pm;
        if (wParam == IMAGE_ICON || wParam == IMAGE_BITMAP) {
            std::string text;
            const char* kind = wParam == IMAGE_ICON ? "icons" : "bitmaps";
            if (HasImageResource(kind, UINT(lParam))) {
                pm.load(QStringLiteral(":/zel/%1/%2.png").arg(QLatin1String(kind)).arg(UINT(lParam)));
            }
        }
        if (!pm.isNull()) {
            b->setIcon(QIcon(pm));
            b->setIconSize(pm.size());
            b->setText(QString());
        }
        return 0;
    }
    default: return 0;
    }
}

LRESULT editProc(CWnd* wnd, ControlData* d, UINT message, WPARAM wParam, LPARAM lParam, bool nativeDone) {
    auto* e = qobject_cast<QLineEdit*>(d->w.data());
    auto* pe = qobject_cast<QPlainTextEdit*>(d->w.data());
    std::string text = wnd->GetWindowText();
    switch (message) {
    case EM_SETSEL: {
        int start = int(wParam), end = int(lParam);
        int n = int(text.size());
        if (start < 0) {
            if (e) e->deselect();
            return 0;
        }
        if (end < 0 || end > n) end = n;
        start = std::min(start, n);
        int a = charIndex(text, start, pe != nullptr), b = charIndex(text, end, pe != nullptr);
        if (e) e->setSelection(a, b - a);
        if (pe) {
            QTextCursor c = pe->textCursor();
            c.setPosition(a);
            c.setPosition(b, QTextCursor::KeepAnchor);
            pe->setTextCursor(c);
        }
        return 0;
    }
    case EM_GETSEL: {
        int a = 0, b = 0;
        if (e) {
            if (e->hasSelectedText()) {
                a = e->selectionStart();
                b = a + int(e->selectedText().size());
            } else {
                a = b = e->cursorPosition();
            }
        } else if (pe) {
            a = pe->textCursor().selectionStart();
            b = pe->textCursor().selectionEnd();
        }
        int ba = byteOffset(text, a, pe != nullptr), bb = byteOffset(text, b, pe != nullptr);
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = DWORD(ba);
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = DWORD(bb);
        return LRESULT(MAKELONG(WORD(ba), WORD(bb)));
    }
    case EM_SCROLLCARET: return 0;
    case EM_SETREADONLY:
        if (e) e->setReadOnly(wParam != 0);
        if (pe) pe->setReadOnly(wParam != 0);
        return TRUE;
    case EM_LIMITTEXT:
        d->limitText = int(wParam);
        if (e) e->setMaxLength(wParam ? int(wParam) : 32767);
        return 0;
    case WM_CHAR: {
        if (nativeDone) return 0;
        UINT ch = UINT(wParam);
        if (!e && !pe) return 0;
        if (ch == 8) {
            if (e) e->backspace();
            else nativeKey(pe, Qt::Key_Backspace, QString());
        } else if (ch >= 32 || ch == 13 || ch == 9) {
            if (ch == 13 && e) return 0;
            char buf[2] = {char(ch), 0};
            QString t = ch == 13 ? QStringLiteral("\n") : QString::fromStdString(ToUtf8(buf));
            if (e) e->insert(t);
            else pe->insertPlainText(t);
        }
        return 0;
    }
    case WM_KEYDOWN: {
        int key = 0;
        switch (wParam) {
        case VK_LEFT: key = Qt::Key_Left; break;
        case VK_RIGHT: key = Qt::Key_Right; break;
        case VK_UP: key = Qt::Key_Up; break;
        case VK_DOWN: key = Qt::Key_Down; break;
        case VK_HOME: key = Qt::Key_Home; break;
        case VK_END: key = Qt::Key_End; break;
        case VK_DELETE: key = Qt::Key_Delete; break;
        default: return 0;
        }
        nativeKey(d->w, key, QString());
        return 0;
    }
    default: return 0;
    }
}

LRESULT comboProc(CWnd* wnd, ControlData* d, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* c = qobject_cast<QComboBox*>(d->w.data());
    if (!c) return CB_ERR;
    auto text = [&] { return toQ(reinterpret_cast<const char*>(lParam)); };
    int n = c->count();
    switch (message) {
    case CB_ADDSTRING: {
        QString t = text();
        int i = (d->style & CBS_SORT) ? insertSorted(comboItems(c), t) : n;
        quietly(d, [&] {
            c->insertItem(i, t);
            if (!c->isEditable() && n == 0) c->setCurrentIndex(-1);
            return 0;
        });
        d->comboData.insert(d->comboData.begin() + std::min<long>(i, long(d->comboData.size())), 0);
        return i;
    }
    case CB_INSERTSTRING: {
        int i = int(wParam);
        if (i < 0 || i > n) i = n;
        quietly(d, [&] {
            c->insertItem(i, text());
            if (!c->isEditable() && n == 0) c->setCurrentIndex(-1);
            return 0;
        });
        d->comboData.insert(d->comboData.begin() + std::min<long>(i, long(d->comboData.size())), 0);
        return i;
    }
    case CB_DELETESTRING: {
        int i = int(wParam);
        if (i < 0 || i >= n) return CB_ERR;
        quietly(d, [&] {
            c->removeItem(i);
            return 0;
        });
        if (i < int(d->comboData.size())) d->comboData.erase(d->comboData.begin() + i);
        return c->count();
    }
    case CB_RESETCONTENT:
        quietly(d, [&] {
            c->clear();
            return 0;
        });
        d->comboData.clear();
        return 0;
    case CB_GETCOUNT: return n;
    case CB_GETCURSEL: return c->currentIndex() < 0 ? CB_ERR : c->currentIndex();
    case CB_SETCURSEL: {
        int i = int(WPARAM(wParam) > 0x7FFFFFFF ? -1 : int(wParam));
        if (i >= n) i = -1;
        quietly(d, [&] {
            c->setCurrentIndex(i);
            if (i < 0 && c->isEditable()) c->setEditText(QString());
            return 0;
        });
        return i < 0 ? CB_ERR : i;
    }
    case CB_GETLBTEXT: {
        int i = int(wParam);
        if (i < 0 || i >= n) return CB_ERR;
        return copyOut(c->itemText(i), lParam);
    }
    case CB_GETLBTEXTLEN: {
        int i = int(wParam);
        if (i < 0 || i >= n) return CB_ERR;
        return int(fromQ(c->itemText(i)).size());
    }
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
    case CB_SELECTSTRING: {
        int i = findEntry(comboItems(c), int(wParam), text(), message == CB_FINDSTRINGEXACT);
        if (message == CB_SELECTSTRING && i != CB_ERR)
            quietly(d, [&] {
                c->setCurrentIndex(i);
                return 0;
            });
        return i;
    }
    case CB_SETITEMDATA: {
        int i = int(wParam);
        if (i < 0 || i >= n) return CB_ERR;
        if (int(d->comboData.size()) < n) d->comboData.resize(std::size_t(n), 0);
        d->comboData[std::size_t(i)] = DWORD_PTR(lParam);
        return 0;
    }
    case CB_GETITEMDATA: {
        int i = int(wParam);
        if (i < 0 || i >= n) return CB_ERR;
        return i < int(d->comboData.size()) ? LRESULT(d->comboData[std::size_t(i)]) : 0;
    }
    case CB_SHOWDROPDOWN:
        if (wParam) c->showPopup();
        else c->hidePopup();
        return TRUE;
    case CB_GETDROPPEDSTATE: return c->view() && c->view()->isVisible();
    case CB_SETITEMHEIGHT:
        if (int(wParam) == -1 || WPARAM(wParam) == WPARAM(-1)) {
            d->fieldHeight = int(lParam) + 6;
            QRect g = c->geometry();
            c->setGeometry(g.x(), g.y(), g.width(), d->fieldHeight);
        } else {
            d->itemHeight = int(lParam);
        }
        return 0;
    case CB_GETITEMHEIGHT:
        return (int(wParam) == -1 || WPARAM(wParam) == WPARAM(-1)) ? d->fieldHeight - 6 : d->itemHeight;
    case CB_GETDROPPEDCONTROLRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r) return 0;
        wnd->GetWindowRect(r);
        r->bottom = r->top + d->droppedHeight;
        return TRUE;
    }
    case CB_LIMITTEXT:
        if (c->lineEdit()) c->lineEdit()->setMaxLength(wParam ? int(wParam) : 32767);
        return TRUE;
    default: return 0;
    }
}

LRESULT listProc(CWnd* wnd, ControlData* d, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* l = qobject_cast<QListWidget*>(d->w.data());
    if (!l) return LB_ERR;
    auto text = [&] { return toQ(reinterpret_cast<const char*>(lParam)); };
    int n = l->count();
    auto makeItem = [&](const QString& t) {
        auto* item = new QListWidgetItem(t);
        item->setSizeHint(QSize(0, d->listItemHeight));
        return item;
    };
    switch (message) {
    case LB_ADDSTRING: {
        QString t = text();
        int i = (d->style & LBS_SORT) ? insertSorted(listItems(l), t) : n;
        quietly(d, [&] {
            l->insertItem(i, makeItem(t));
            return 0;
        });
        d->listData.insert(d->listData.begin() + std::min<long>(i, long(d->listData.size())), 0);
        return i;
    }
    case LB_INSERTSTRING: {
        int i = int(wParam);
        if (i < 0 || i > n) i = n;
        quietly(d, [&] {
            l->insertItem(i, makeItem(text()));
            return 0;
        });
        d->listData.insert(d->listData.begin() + std::min<long>(i, long(d->listData.size())), 0);
        return i;
    }
    case LB_DELETESTRING: {
        int i = int(wParam);
        if (i < 0 || i >= n) return LB_ERR;
        quietly(d, [&] {
            delete l->takeItem(i);
            return 0;
        });
        if (i < int(d->listData.size())) d->listData.erase(d->listData.begin() + i);
        return l->count();
    }
    case LB_RESETCONTENT:
        quietly(d, [&] {
            l->clear();
            return 0;
        });
        d->listData.clear();
        return 0;
    case LB_GETCOUNT: return n;
    case LB_GETCURSEL: {
        auto sel = l->selectedItems();
        if (l->selectionMode() == QAbstractItemView::SingleSelection) return sel.isEmpty() ? LB_ERR : l->row(sel.front());
        return l->currentRow() < 0 ? LB_ERR : l->currentRow();
    }
    case LB_SETCURSEL: {
        int i = int(WPARAM(wParam) > 0x7FFFFFFF ? -1 : int(wParam));
        quietly(d, [&] {
            if (i < 0 || i >= n) {
                l->clearSelection();
                l->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
            } else {
                l->setCurrentRow(i, QItemSelectionModel::ClearAndSelect);
                l->scrollToItem(l->item(i));
            }
            return 0;
        });
        return (i < 0 || i >= n) ? LB_ERR : i;
    }
    case LB_GETTEXT: {
        int i = int(wParam);
        if (i < 0 || i >= n) return LB_ERR;
        return copyOut(l->item(i)->text(), lParam);
    }
    case LB_GETTEXTLEN: {
        int i = int(wParam);
        if (i < 0 || i >= n) return LB_ERR;
        return int(fromQ(l->item(i)->text()).size());
    }
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case LB_SELECTSTRING: {
        int i = findEntry(listItems(l), int(wParam), text(), message == LB_FINDSTRINGEXACT);
        if (message == LB_SELECTSTRING && i != LB_ERR) listProc(wnd, d, LB_SETCURSEL, WPARAM(i), 0);
        return i;
    }
    case LB_SETITEMDATA: {
        int i = int(wParam);
        if (i < 0 || i >= n) return LB_ERR;
        if (int(d->listData.size()) < n) d->listData.resize(std::size_t(n), 0);
        d->listData[std::size_t(i)] = DWORD_PTR(lParam);
        return 0;
    }
    case LB_GETITEMDATA: {
        int i = int(wParam);
        if (i < 0 || i >= n) return LB_ERR;
        return i < int(d->listData.size()) ? LRESULT(d->listData[std::size_t(i)]) : 0;
    }
    case LB_GETTOPINDEX: {
        QListWidgetItem* top = l->itemAt(2, 2);
        return top ? l->row(top) : 0;
    }
    case LB_SETTOPINDEX: {
        int i = int(wParam);
        if (i < 0 || i >= n) return LB_ERR;
        l->scrollToItem(l->item(i), QAbstractItemView::PositionAtTop);
        return 0;
    }
    case LB_GETITEMRECT: {
        int i = int(wParam);
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (i < 0 || i >= n || !r) return LB_ERR;
        QRect vr = l->visualItemRect(l->item(i));
        QPoint off = l->viewport()->mapTo(l, QPoint(0, 0));
        vr.translate(off);
        *r = RECT{vr.left(), vr.top(), vr.right() + 1, vr.bottom() + 1};
        return 0;
    }
    case LB_GETITEMHEIGHT: return d->listItemHeight;
    case LB_SETITEMHEIGHT:
        d->listItemHeight = std::max(1, int(lParam));
        for (int i = 0; i < n; ++i) l->item(i)->setSizeHint(QSize(0, d->listItemHeight));
        return 0;
    case LB_GETSEL: {
        int i = int(wParam);
        if (i < 0 || i >= n) return LB_ERR;
        return l->item(i)->isSelected() ? 1 : 0;
    }
    case LB_SETSEL: {
        int i = int(lParam);
        quietly(d, [&] {
            if (i == -1) {
                for (int k = 0; k < n; ++k) l->item(k)->setSelected(wParam != 0);
            } else if (i >= 0 && i < n) {
                l->item(i)->setSelected(wParam != 0);
            }
            return 0;
        });
        return (i >= -1 && i < n) ? 0 : LB_ERR;
    }
    case LB_GETSELCOUNT: return int(l->selectedItems().size());
    case LB_GETSELITEMS: {
        auto* items = reinterpret_cast<int*>(lParam);
        int k = 0;
        for (int i = 0; i < n && k < int(wParam); ++i)
            if (l->item(i)->isSelected()) {
                if (items) items[k] = i;
                ++k;
            }
        return k;
    }
    default: return 0;
    }
}

LRESULT scrollProc(CWnd*, ControlData* d, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* bar = qobject_cast<QScrollBar*>(d->w.data());
    ScrollState& s = d->sb;
    switch (message) {
    case SBM_SETPOS: {
        int old = s.pos;
        s.pos = clampPos(s, int(wParam));
        showState(bar, s);
        return old;
    }
    case SBM_GETPOS: return s.pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
        int old = s.pos;
        s.min = int(wParam);
        s.max = int(lParam);
        s.pos = clampPos(s, s.pos);
        showState(bar, s);
        return old;
    }
    case SBM_GETRANGE:
        if (wParam) *reinterpret_cast<int*>(wParam) = s.min;
        if (lParam) *reinterpret_cast<int*>(lParam) = s.max;
        return 0;
    case SBM_SETSCROLLINFO: {
        auto* si = reinterpret_cast<const SCROLLINFO*>(lParam);
        if (!si) return s.pos;
        applyInfo(s, *si);
        showState(bar, s);
        return s.pos;
    }
    case SBM_GETSCROLLINFO: {
        auto* si = reinterpret_cast<SCROLLINFO*>(lParam);
        if (!si) return FALSE;
        fillInfo(s, si, si->fMask);
        return TRUE;
    }
    default: return 0;
    }
}

int ticPixel(QSlider* s, int value) {
    bool vertical = s->orientation() == Qt::Vertical;
    int length = vertical ? s->height() : s->width();
    int inset = 8;
    int span = std::max(1, s->maximum() - s->minimum());
    return inset + MulDiv(length - 2 * inset, value - s->minimum(), span);
}

LRESULT sliderProc(CWnd*, ControlData* d, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* s = qobject_cast<QSlider*>(d->w.data());
    if (!s) return 0;
    QSignalBlocker block(s);
    switch (message) {
    case TBM_GETPOS: return s->value();
    case TBM_SETPOS: s->setValue(int(lParam)); return 0;
    case TBM_GETRANGEMIN: return s->minimum();
    case TBM_GETRANGEMAX: return s->maximum();
    case TBM_SETRANGE: s->setRange(SHORT(LOWORD(DWORD(lParam))), SHORT(HIWORD(DWORD(lParam)))); return 0;
    case TBM_SETRANGEMIN: s->setMinimum(int(lParam)); return 0;
    case TBM_SETRANGEMAX: s->setMaximum(int(lParam)); return 0;
    case TBM_SETTICFREQ:
        d->ticFreq = std::max(1, int(wParam));
        s->setTickInterval(d->ticFreq);
        return 0;
    case TBM_CLEARTICS: return 0;
    case TBM_GETNUMTICS: {
        if (d->style & TBS_NOTICKS) return 0;
        return (s->maximum() - s->minimum()) / d->ticFreq + 1 + ((s->maximum() - s->minimum()) % d->ticFreq ? 1 : 0);
    }
    case TBM_GETTIC: {
        int i = int(wParam);
        int v = s->minimum() + (i + 1) * d->ticFreq;
        return (i < 0 || v >= s->maximum()) ? -1 : v;
    }
    case TBM_GETTICPOS: {
        // The ticks between the two ends, by index.
        int i = int(wParam);
        int v = s->minimum() + (i + 1) * d->ticFreq;
        if (i < 0 || v >= s->maximum()) return -1;
        return ticPixel(s, v);
    }
    case TBM_SETPAGESIZE: {
        int old = s->pageStep();
        s->setPageStep(int(lParam));
        return old;
    }
    case TBM_GETPAGESIZE: return s->pageStep();
    case TBM_SETLINESIZE: {
        int old = s->singleStep();
        s->setSingleStep(int(lParam));
        return old;
    }
    case TBM_GETLINESIZE: return s->singleStep();
    default: return 0;
    }
}

LRESULT spinProc(CWnd* wnd, ControlData* d, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case UDM_SETRANGE:
        d->upper = SHORT(LOWORD(DWORD(lParam)));
        d->lower = SHORT(HIWORD(DWORD(lParam)));
        return 0;
    case UDM_SETRANGE32:
        d->lower = int(wParam);
        d->upper = int(lParam);
        return 0;
    case UDM_GETRANGE: return LRESULT(MAKELONG(WORD(d->upper), WORD(d->lower)));
    case UDM_GETRANGE32:
        if (wParam) *reinterpret_cast<int*>(wParam) = d->lower;
        if (lParam) *reinterpret_cast<int*>(lParam) = d->upper;
        return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
        int old = d->pos;
        int p = message == UDM_SETPOS ? SHORT(LOWORD(DWORD(lParam))) : int(lParam);
        d->pos = std::clamp(p, spinMin(d), spinMax(d));
        spinShow(wnd);
        return old;
    }
    case UDM_GETPOS: {
        bool error = false;
        int p = spinPos(wnd, &error);
        return LRESULT(MAKELONG(WORD(p), WORD(error ? 1 : 0)));
    }
    case UDM_GETPOS32: {
        bool error = false;
        int p = spinPos(wnd, &error);
        if (lParam) *reinterpret_cast<BOOL*>(lParam) = error;
        return p;
    }
    case UDM_SETBUDDY: {
        CWnd* old = d->buddy;
        d->buddy = reinterpret_cast<CWnd*>(wParam);
        if (d->buddy && d->buddy->impl()->widget && (d->style & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))) {
            // The arrows sit against the buddy, which gives up their width.
            QWidget* b = d->buddy->impl()->widget;
            QWidget* self = d->w;
            QRect g = b->geometry();
            int w = self->width();
            if (d->style & UDS_ALIGNRIGHT) {
                b->setGeometry(g.x(), g.y(), std::max(0, g.width() - w + 2), g.height());
                self->setGeometry(g.right() + 1 - w + 2 - 2, g.y(), w, g.height());
            } else {
                b->setGeometry(g.x() + w - 2, g.y(), std::max(0, g.width() - w + 2), g.height());
                self->setGeometry(g.x(), g.y(), w, g.height());
            }
        }
        return LRESULT(old);
    }
    case UDM_GETBUDDY: return LRESULT(d->buddy);
    default: return 0;
    }
}

// A new value, painted at the next event pass: the bar's own setValue paints at once, which a
// long loop stepping the bar thousands of times pays for at every step.
void SetProgressValue(QProgressBar* p, int value) {
    if (value == p->value()) return;
    const bool updates = p->updatesEnabled();
    p->setUpdatesEnabled(false);
    p->setValue(value);
    p->setUpdatesEnabled(updates);
}

LRESULT progressProc(CWnd*, ControlData* d, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* p = qobject_cast<QProgressBar*>(d->w.data());
    if (!p) return 0;
    switch (message) {
    case PBM_SETRANGE: {
        LRESULT old = LRESULT(MAKELONG(WORD(p->minimum()), WORD(p->maximum())));
        p->setRange(WORD(LOWORD(DWORD(lParam))), WORD(HIWORD(DWORD(lParam))));
        return old;
    }
    case PBM_SETRANGE32: {
        LRESULT old = LRESULT(MAKELONG(WORD(p->minimum()), WORD(p->maximum())));
        p->setRange(int(wParam), int(lParam));
        return old;
    }
    case PBM_GETRANGE: return wParam ? p->minimum() : p->maximum();
    case PBM_SETPOS: {
        int old = p->value();
        SetProgressValue(p, std::clamp(int(wParam), p->minimum(), p->maximum()));
        return old;
    }
    case PBM_DELTAPOS: {
        int old = p->value();
        SetProgressValue(p, std::clamp(old + int(wParam), p->minimum(), p->maximum()));
        return old;
    }
    case PBM_GETPOS: return p->value();
    case PBM_SETSTEP: {
        int old = d->step;
        d->step = int(wParam);
        return old;
    }
    case PBM_STEPIT: {
        int old = p->value();
        int next = old + d->step;
        // Past the end it starts over from the beginning.
        if (next > p->maximum()) next = p->minimum() + (next - p->maximum()) - 1;
        if (next < p->minimum()) next = p->minimum();
        SetProgressValue(p, std::min(next, p->maximum()));
        return old;
    }
    default: return 0;
    }
}

}  // namespace

LRESULT ControlDefProc(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam, bool fromEvent, bool nativeDone) {
    ControlData* d = dataOf(wnd);
    if (!d || !d->w) return 0;
    WndKind kind = wnd->impl()->kind;
    switch (message) {
    case WM_SETTEXT: wnd->SetWindowText(reinterpret_cast<const char*>(lParam)); return TRUE;
    case WM_GETTEXT: return wnd->GetWindowText(reinterpret_cast<char*>(lParam), int(wParam));
    case WM_GETTEXTLENGTH: return wnd->GetWindowTextLength();
    case WM_SETFONT: wnd->SetFont(reinterpret_cast<CFont*>(wParam), BOOL(lParam)); return 0;
    case WM_GETFONT: return LRESULT(wnd->GetFont());
    case WM_ERASEBKGND: return TRUE;
    case WM_SETCURSOR:
        if (d->link) {
            SetCursor(IDC_HAND);
            return TRUE;
        }
        if (CWnd* p = wnd->GetParent(); p && p->impl()->widget) return p->SendMessage(WM_SETCURSOR, wParam, lParam);
        return FALSE;
    case WM_LBUTTONDOWN:
        if (kind == WndKind::Static && (d->link || (wnd->GetStyle() & SS_NOTIFY))) notify(wnd, STN_CLICKED);
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        bool in = message == WM_SETFOCUS;
        if (kind == WndKind::Edit) notify(wnd, in ? EN_SETFOCUS : EN_KILLFOCUS);
        else if (kind == WndKind::Combo) notify(wnd, in ? CBN_SETFOCUS : CBN_KILLFOCUS);
        else if (kind == WndKind::List) notify(wnd, in ? LBN_SETFOCUS : LBN_KILLFOCUS);
        return 0;
    }
    case WM_MOUSEWHEEL:
        if (fromEvent) return 0;
        if (CWnd* p = wnd->GetParent(); p && p->impl()->widget) return p->SendMessage(message, wParam, lParam);
        return 0;
    default: break;
    }
    if (fromEvent) return 0;  // the platform handles its own event
    switch (kind) {
    case WndKind::Button:
    case WndKind::OwnerDraw: return buttonProc(wnd, d, message, wParam, lParam);
    case WndKind::Edit: return editProc(wnd, d, message, wParam, lParam, nativeDone);
    case WndKind::Combo: return comboProc(wnd, d, message, wParam, lParam);
    case WndKind::List: return listProc(wnd, d, message, wParam, lParam);
    case WndKind::ScrollBar: return scrollProc(wnd, d, message, wParam, lParam);
    case WndKind::Slider: return sliderProc(wnd, d, message, wParam, lParam);
    case WndKind::Spin: return spinProc(wnd, d, message, wParam, lParam);
    case WndKind::Progress: return progressProc(wnd, d, message, wParam, lParam);
    default: return 0;
    }
}

// ---- a window's own scroll bars -------------------------------------------------------------

void LayoutScrollBars(CWnd* wnd) {
    CWnd::Impl& d = *wnd->impl();
    QWidget* s = d.surface();
    if (!s || d.kind == WndKind::ScrollBar || d.control) return;
    int thick = GetWindowMetric(SM_CXVSCROLL);
    auto ensure = [&](QPointer<QScrollBar>& bar, bool vertical) {
        if (!bar) {
            bar = new QScrollBar(vertical ? Qt::Vertical : Qt::Horizontal, s);
            bar->setFocusPolicy(Qt::NoFocus);
            connectBar(bar, wnd, true, vertical);
        }
    };
    if (d.vs.shown) ensure(d.vbar, true);
    if (d.hs.shown) ensure(d.hbar, false);
    int w = s->width(), h = s->height();
    if (d.vbar) {
        d.vbar->setVisible(d.vs.shown);
        d.vbar->setGeometry(w - thick, 0, thick, h - (d.hs.shown ? thick : 0));
        showState(d.vbar, d.vs);
    }
    if (d.hbar) {
        d.hbar->setVisible(d.hs.shown);
        d.hbar->setGeometry(0, h - thick, w - (d.vs.shown ? thick : 0), thick);
        showState(d.hbar, d.hs);
    }
    const bool corner = d.vs.shown && d.hs.shown;
    if (corner && !d.barCorner) {
        d.barCorner = new QWidget(s);
        d.barCorner->setAutoFillBackground(true);
        QPalette pal = d.barCorner->palette();
        const COLORREF face = ColorOf(COLOR_BTNFACE);
        pal.setColor(QPalette::Window, QColor(GetRValue(face), GetGValue(face), GetBValue(face)));
        d.barCorner->setPalette(pal);
    }
    if (d.barCorner) {
        d.barCorner->setVisible(corner);
        d.barCorner->setGeometry(w - thick, h - thick, thick, thick);
    }
    RaiseScrollBars(s);
}

void RaiseScrollBars(QWidget* surface) {
    CWnd* wnd = surface ? WndOf(surface) : nullptr;
    if (!wnd || wnd->impl()->surface() != surface) return;
    CWnd::Impl& d = *wnd->impl();
    for (QWidget* bar : {static_cast<QWidget*>(d.vbar.data()), static_cast<QWidget*>(d.hbar.data()), d.barCorner.data()})
        if (bar && bar->isVisible()) bar->raise();
}

}  // namespace fw

namespace {

fw::ScrollState* ownState(CWnd* wnd, int bar) {
    if (bar == SB_HORZ) return &wnd->impl()->hs;
    if (bar == SB_VERT) return &wnd->impl()->vs;
    return nullptr;
}

void barsChanged(CWnd* wnd) {
    fw::LayoutScrollBars(wnd);
    fw::SendSizeIfChanged(wnd);
}

}  // namespace

BOOL CWnd::SetScrollInfo(int bar, const SCROLLINFO* info, BOOL) {
    if (!info) return 0;
    if (bar == SB_CTL) return BOOL(SendMessage(SBM_SETSCROLLINFO, 0, LPARAM(info)));
    fw::ScrollState* s = ownState(this, bar);
    if (!s) return 0;
    int pos = fw::applyInfo(*s, *info);
    bool empty = s->max <= s->min || (s->page > 0 && s->page > s->max - s->min);
    if (info->fMask & (SIF_RANGE | SIF_PAGE)) {
        if (empty && (info->fMask & SIF_DISABLENOSCROLL)) {
            s->enabled = false;
        } else {
            s->enabled = true;
            s->shown = !empty;
        }
    }
    barsChanged(this);
    return pos;
}

BOOL CWnd::GetScrollInfo(int bar, SCROLLINFO* info, UINT mask) const {
    if (!info) return FALSE;
    if (bar == SB_CTL) {
        info->fMask = mask;
        return BOOL(const_cast<CWnd*>(this)->SendMessage(SBM_GETSCROLLINFO, 0, LPARAM(info)));
    }
    fw::ScrollState* s = ownState(const_cast<CWnd*>(this), bar);
    if (!s) return FALSE;
    fw::fillInfo(*s, info, mask);
    return TRUE;
}

int CWnd::SetScrollPos(int bar, int pos, BOOL) {
    if (bar == SB_CTL) return int(SendMessage(SBM_SETPOS, WPARAM(pos), TRUE));
    fw::ScrollState* s = ownState(this, bar);
    if (!s) return 0;
    int old = s->pos;
    s->pos = fw::clampPos(*s, pos);
    fw::LayoutScrollBars(this);
    return old;
}

int CWnd::GetScrollPos(int bar) const {
    if (bar == SB_CTL) return int(const_cast<CWnd*>(this)->SendMessage(SBM_GETPOS));
    fw::ScrollState* s = ownState(const_cast<CWnd*>(this), bar);
    return s ? s->pos : 0;
}

void CWnd::SetScrollRange(int bar, int minPos, int maxPos, BOOL redraw) {
    if (bar == SB_CTL) {
        SendMessage(SBM_SETRANGE, WPARAM(minPos), LPARAM(maxPos));
        return;
    }
    fw::ScrollState* s = ownState(this, bar);
    if (!s) return;
    s->min = minPos;
    s->max = maxPos;
    s->pos = fw::clampPos(*s, s->pos);
    // An empty range hides the bar.
    s->shown = maxPos > minPos;
    barsChanged(this);
    (void)redraw;
}

void CWnd::GetScrollRange(int bar, int* minPos, int* maxPos) const {
    if (bar == SB_CTL) {
        const_cast<CWnd*>(this)->SendMessage(SBM_GETRANGE, WPARAM(minPos), LPARAM(maxPos));
        return;
    }
    fw::ScrollState* s = ownState(const_cast<CWnd*>(this), bar);
    if (minPos) *minPos = s ? s->min : 0;
    if (maxPos) *maxPos = s ? s->max : 0;
}

int CWnd::GetScrollLimit(int bar) const {
    SCROLLINFO si;
    if (!GetScrollInfo(bar, &si, SIF_RANGE | SIF_PAGE)) return 0;
    return si.nMax - std::max(int(si.nPage) - 1, 0);
}

void CWnd::ShowScrollBar(int bar, BOOL show) {
    if (bar == SB_CTL) {
        ShowWindow(show ? SW_SHOW : SW_HIDE);
        return;
    }
    if (bar == SB_HORZ || bar == SB_BOTH) impl_->hs.shown = show != FALSE;
    if (bar == SB_VERT || bar == SB_BOTH) impl_->vs.shown = show != FALSE;
    barsChanged(this);
}

void CWnd::EnableScrollBarCtrl(int bar, BOOL enable) {
    if (GetScrollBarCtrl(bar)) return;
    ShowScrollBar(bar, enable);
}

BOOL CWnd::EnableScrollBar(int bar, UINT arrows) {
    bool on = arrows == 0;
    if (bar == SB_CTL) {
        EnableWindow(on);
        return TRUE;
    }
    if (bar == SB_HORZ || bar == SB_BOTH) impl_->hs.enabled = on;
    if (bar == SB_VERT || bar == SB_BOTH) impl_->vs.enabled = on;
    fw::LayoutScrollBars(this);
    return TRUE;
}

CScrollBar* CWnd::GetScrollBarCtrl(int) const { return nullptr; }

// ---- the control classes --------------------------------------------------------------------

BOOL CStatic::Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("STATIC", text, style, rect, parent, id);
}

BOOL CButton::Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("BUTTON", text, style, rect, parent, id);
}
int CButton::GetCheck() const { return int(const_cast<CButton*>(this)->SendMessage(BM_GETCHECK)); }
void CButton::SetCheck(int check) { SendMessage(BM_SETCHECK, WPARAM(check)); }
UINT CButton::GetState() const { return UINT(const_cast<CButton*>(this)->SendMessage(BM_GETSTATE)); }
void CButton::SetState(BOOL pushed) { SendMessage(BM_SETSTATE, WPARAM(pushed)); }
UINT CButton::GetButtonStyle() const { return UINT(GetStyle() & 0xFF); }
BOOL CButton::SetIcon(UINT iconId) {
    if (!fw::HasImageResource("icons", iconId)) return FALSE;
    SendMessage(BM_SETIMAGE, IMAGE_ICON, LPARAM(iconId));
    return TRUE;
}
void CButton::Click() { SendMessage(BM_CLICK); }

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("EDIT", nullptr, style, rect, parent, id);
}
void CEdit::SetSel(int start, int end, BOOL) { SendMessage(EM_SETSEL, WPARAM(start), LPARAM(end)); }
void CEdit::GetSel(int& start, int& end) const {
    DWORD a = 0, b = 0;
    const_cast<CEdit*>(this)->SendMessage(EM_GETSEL, WPARAM(&a), LPARAM(&b));
    start = int(a);
    end = int(b);
}
void CEdit::ReplaceSel(const char* text, BOOL) {
    auto* d = fw::dataOf(this);
    if (!d) return;
    QString t = fw::toQ(text);
    if (auto* e = qobject_cast<QLineEdit*>(d->w.data())) e->insert(t);
    else if (auto* pe = qobject_cast<QPlainTextEdit*>(d->w.data())) pe->insertPlainText(t);
}
void CEdit::LimitText(int maxBytes) { SendMessage(EM_LIMITTEXT, WPARAM(maxBytes)); }
BOOL CEdit::SetReadOnly(BOOL readOnly) { return BOOL(SendMessage(EM_SETREADONLY, WPARAM(readOnly))); }
void CEdit::Clear() { ReplaceSel(""); }
void CEdit::Copy() {
    if (auto* e = qobject_cast<QLineEdit*>(fw::dataOf(this) ? fw::dataOf(this)->w.data() : nullptr)) e->copy();
}
void CEdit::Cut() {
    if (auto* e = qobject_cast<QLineEdit*>(fw::dataOf(this) ? fw::dataOf(this)->w.data() : nullptr)) e->cut();
}
void CEdit::Paste() {
    if (auto* e = qobject_cast<QLineEdit*>(fw::dataOf(this) ? fw::dataOf(this)->w.data() : nullptr)) e->paste();
}

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("COMBOBOX", nullptr, style, rect, parent, id);
}
int CComboBox::AddString(const char* text) { return int(SendMessage(CB_ADDSTRING, 0, LPARAM(text))); }
int CComboBox::InsertString(int index, const char* text) { return int(SendMessage(CB_INSERTSTRING, WPARAM(index), LPARAM(text))); }
int CComboBox::DeleteString(UINT index) { return int(SendMessage(CB_DELETESTRING, index)); }
void CComboBox::ResetContent() { SendMessage(CB_RESETCONTENT); }
int CComboBox::GetCount() const { return int(const_cast<CComboBox*>(this)->SendMessage(CB_GETCOUNT)); }
int CComboBox::GetCurSel() const { return int(const_cast<CComboBox*>(this)->SendMessage(CB_GETCURSEL)); }
int CComboBox::SetCurSel(int index) { return int(SendMessage(CB_SETCURSEL, WPARAM(index))); }
int CComboBox::GetLBText(int index, char* buffer) const {
    return int(const_cast<CComboBox*>(this)->SendMessage(CB_GETLBTEXT, WPARAM(index), LPARAM(buffer)));
}
void CComboBox::GetLBText(int index, CString& text) const {
    int n = GetLBTextLen(index);
    if (n < 0) {
        text = "";
        return;
    }
    std::string buf(std::size_t(n) + 1, '\0');
    GetLBText(index, buf.data());
    buf.resize(std::size_t(n));
    text = buf;
}
int CComboBox::GetLBTextLen(int index) const { return int(const_cast<CComboBox*>(this)->SendMessage(CB_GETLBTEXTLEN, WPARAM(index))); }
int CComboBox::FindString(int after, const char* text) const {
    return int(const_cast<CComboBox*>(this)->SendMessage(CB_FINDSTRING, WPARAM(after), LPARAM(text)));
}
int CComboBox::FindStringExact(int after, const char* text) const {
    return int(const_cast<CComboBox*>(this)->SendMessage(CB_FINDSTRINGEXACT, WPARAM(after), LPARAM(text)));
}
int CComboBox::SelectString(int after, const char* text) { return int(SendMessage(CB_SELECTSTRING, WPARAM(after), LPARAM(text))); }
int CComboBox::SetItemData(int index, DWORD_PTR data) { return int(SendMessage(CB_SETITEMDATA, WPARAM(index), LPARAM(data))); }
DWORD_PTR CComboBox::GetItemData(int index) const {
    return DWORD_PTR(const_cast<CComboBox*>(this)->SendMessage(CB_GETITEMDATA, WPARAM(index)));
}
void CComboBox::ShowDropDown(BOOL show) { SendMessage(CB_SHOWDROPDOWN, WPARAM(show)); }
BOOL CComboBox::GetDroppedState() const { return BOOL(const_cast<CComboBox*>(this)->SendMessage(CB_GETDROPPEDSTATE)); }
int CComboBox::SetItemHeight(int index, UINT height) { return int(SendMessage(CB_SETITEMHEIGHT, WPARAM(index), LPARAM(height))); }
int CComboBox::GetItemHeight(int index) const { return int(const_cast<CComboBox*>(this)->SendMessage(CB_GETITEMHEIGHT, WPARAM(index))); }
void CComboBox::GetDroppedControlRect(RECT* rect) const {
    const_cast<CComboBox*>(this)->SendMessage(CB_GETDROPPEDCONTROLRECT, 0, LPARAM(rect));
}

BOOL CListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("LISTBOX", nullptr, style, rect, parent, id);
}
int CListBox::AddString(const char* text) { return int(SendMessage(LB_ADDSTRING, 0, LPARAM(text))); }
int CListBox::InsertString(int index, const char* text) { return int(SendMessage(LB_INSERTSTRING, WPARAM(index), LPARAM(text))); }
int CListBox::DeleteString(UINT index) { return int(SendMessage(LB_DELETESTRING, index)); }
void CListBox::ResetContent() { SendMessage(LB_RESETCONTENT); }
int CListBox::GetCount() const { return int(const_cast<CListBox*>(this)->SendMessage(LB_GETCOUNT)); }
int CListBox::GetCurSel() const { return int(const_cast<CListBox*>(this)->SendMessage(LB_GETCURSEL)); }
int CListBox::SetCurSel(int index) { return int(SendMessage(LB_SETCURSEL, WPARAM(index))); }
int CListBox::GetText(int index, char* buffer) const {
    return int(const_cast<CListBox*>(this)->SendMessage(LB_GETTEXT, WPARAM(index), LPARAM(buffer)));
}
void CListBox::GetText(int index, CString& text) const {
    int n = GetTextLen(index);
    if (n < 0) {
        text = "";
        return;
    }
    std::string buf(std::size_t(n) + 1, '\0');
    GetText(index, buf.data());
    buf.resize(std::size_t(n));
    text = buf;
}
int CListBox::GetTextLen(int index) const { return int(const_cast<CListBox*>(this)->SendMessage(LB_GETTEXTLEN, WPARAM(index))); }
int CListBox::FindString(int after, const char* text) const {
    return int(const_cast<CListBox*>(this)->SendMessage(LB_FINDSTRING, WPARAM(after), LPARAM(text)));
}
int CListBox::FindStringExact(int after, const char* text) const {
    return int(const_cast<CListBox*>(this)->SendMessage(LB_FINDSTRINGEXACT, WPARAM(after), LPARAM(text)));
}
int CListBox::SelectString(int after, const char* text) { return int(SendMessage(LB_SELECTSTRING, WPARAM(after), LPARAM(text))); }
int CListBox::SetItemData(int index, DWORD_PTR data) { return int(SendMessage(LB_SETITEMDATA, WPARAM(index), LPARAM(data))); }
DWORD_PTR CListBox::GetItemData(int index) const {
    return DWORD_PTR(const_cast<CListBox*>(this)->SendMessage(LB_GETITEMDATA, WPARAM(index)));
}
int CListBox::GetTopIndex() const { return int(const_cast<CListBox*>(this)->SendMessage(LB_GETTOPINDEX)); }
int CListBox::SetTopIndex(int index) { return int(SendMessage(LB_SETTOPINDEX, WPARAM(index))); }
int CListBox::GetItemRect(int index, RECT* rect) const {
    return int(const_cast<CListBox*>(this)->SendMessage(LB_GETITEMRECT, WPARAM(index), LPARAM(rect)));
}
int CListBox::GetItemHeight(int index) const { return int(const_cast<CListBox*>(this)->SendMessage(LB_GETITEMHEIGHT, WPARAM(index))); }
int CListBox::SetItemHeight(int index, UINT height) { return int(SendMessage(LB_SETITEMHEIGHT, WPARAM(index), LPARAM(height))); }
int CListBox::GetSel(int index) const { return int(const_cast<CListBox*>(this)->SendMessage(LB_GETSEL, WPARAM(index))); }
int CListBox::SetSel(int index, BOOL select) { return int(SendMessage(LB_SETSEL, WPARAM(select), LPARAM(index))); }
int CListBox::GetSelCount() const { return int(const_cast<CListBox*>(this)->SendMessage(LB_GETSELCOUNT)); }
int CListBox::GetSelItems(int maxItems, int* items) const {
    return int(const_cast<CListBox*>(this)->SendMessage(LB_GETSELITEMS, WPARAM(maxItems), LPARAM(items)));
}

BOOL CScrollBar::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("SCROLLBAR", nullptr, style, rect, parent, id);
}
int CScrollBar::GetScrollPos() const { return CWnd::GetScrollPos(SB_CTL); }
int CScrollBar::SetScrollPos(int pos, BOOL redraw) { return CWnd::SetScrollPos(SB_CTL, pos, redraw); }
void CScrollBar::GetScrollRange(int* minPos, int* maxPos) const { CWnd::GetScrollRange(SB_CTL, minPos, maxPos); }
void CScrollBar::SetScrollRange(int minPos, int maxPos, BOOL redraw) { CWnd::SetScrollRange(SB_CTL, minPos, maxPos, redraw); }
BOOL CScrollBar::SetScrollInfo(const SCROLLINFO* info, BOOL redraw) { return CWnd::SetScrollInfo(SB_CTL, info, redraw); }
BOOL CScrollBar::GetScrollInfo(SCROLLINFO* info, UINT mask) const { return CWnd::GetScrollInfo(SB_CTL, info, mask); }
int CScrollBar::GetScrollLimit() const { return CWnd::GetScrollLimit(SB_CTL); }
void CScrollBar::ShowScrollBar(BOOL show) { CWnd::ShowScrollBar(SB_CTL, show); }

BOOL CSliderCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("msctls_trackbar32", nullptr, style, rect, parent, id);
}
int CSliderCtrl::GetPos() const { return int(const_cast<CSliderCtrl*>(this)->SendMessage(TBM_GETPOS)); }
void CSliderCtrl::SetPos(int pos) { SendMessage(TBM_SETPOS, TRUE, LPARAM(pos)); }
void CSliderCtrl::GetRange(int& minPos, int& maxPos) const {
    minPos = GetRangeMin();
    maxPos = GetRangeMax();
}
int CSliderCtrl::GetRangeMin() const { return int(const_cast<CSliderCtrl*>(this)->SendMessage(TBM_GETRANGEMIN)); }
int CSliderCtrl::GetRangeMax() const { return int(const_cast<CSliderCtrl*>(this)->SendMessage(TBM_GETRANGEMAX)); }
void CSliderCtrl::SetRange(int minPos, int maxPos, BOOL redraw) {
    SetRangeMin(minPos, FALSE);
    SetRangeMax(maxPos, redraw);
}
void CSliderCtrl::SetRangeMin(int minPos, BOOL redraw) { SendMessage(TBM_SETRANGEMIN, WPARAM(redraw), LPARAM(minPos)); }
void CSliderCtrl::SetRangeMax(int maxPos, BOOL redraw) { SendMessage(TBM_SETRANGEMAX, WPARAM(redraw), LPARAM(maxPos)); }
void CSliderCtrl::SetTicFreq(int freq) { SendMessage(TBM_SETTICFREQ, WPARAM(freq)); }
int CSliderCtrl::GetTicPos(int index) const { return int(const_cast<CSliderCtrl*>(this)->SendMessage(TBM_GETTICPOS, WPARAM(index))); }
UINT CSliderCtrl::GetNumTics() const { return UINT(const_cast<CSliderCtrl*>(this)->SendMessage(TBM_GETNUMTICS)); }
int CSliderCtrl::SetPageSize(int size) { return int(SendMessage(TBM_SETPAGESIZE, 0, LPARAM(size))); }
int CSliderCtrl::SetLineSize(int size) { return int(SendMessage(TBM_SETLINESIZE, 0, LPARAM(size))); }

BOOL CSpinButtonCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("msctls_updown32", nullptr, style, rect, parent, id);
}
void CSpinButtonCtrl::SetRange(short lower, short upper) { SendMessage(UDM_SETRANGE, 0, MAKELPARAM(upper, lower)); }
void CSpinButtonCtrl::SetRange32(int lower, int upper) { SendMessage(UDM_SETRANGE32, WPARAM(lower), LPARAM(upper)); }
void CSpinButtonCtrl::GetRange32(int& lower, int& upper) const {
    const_cast<CSpinButtonCtrl*>(this)->SendMessage(UDM_GETRANGE32, WPARAM(&lower), LPARAM(&upper));
}
int CSpinButtonCtrl::SetPos(int pos) { return int(SendMessage(UDM_SETPOS32, 0, LPARAM(pos))); }
int CSpinButtonCtrl::GetPos() const { return int(const_cast<CSpinButtonCtrl*>(this)->SendMessage(UDM_GETPOS32)); }
CWnd* CSpinButtonCtrl::SetBuddy(CWnd* buddy) { return reinterpret_cast<CWnd*>(SendMessage(UDM_SETBUDDY, WPARAM(buddy))); }
CWnd* CSpinButtonCtrl::GetBuddy() const { return reinterpret_cast<CWnd*>(const_cast<CSpinButtonCtrl*>(this)->SendMessage(UDM_GETBUDDY)); }

BOOL CProgressCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("msctls_progress32", nullptr, style, rect, parent, id);
}
void CProgressCtrl::SetRange(short lower, short upper) { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(lower, upper)); }
void CProgressCtrl::SetRange32(int lower, int upper) { SendMessage(PBM_SETRANGE32, WPARAM(lower), LPARAM(upper)); }
int CProgressCtrl::SetPos(int pos) { return int(SendMessage(PBM_SETPOS, WPARAM(pos))); }
int CProgressCtrl::GetPos() const { return int(const_cast<CProgressCtrl*>(this)->SendMessage(PBM_GETPOS)); }
int CProgressCtrl::OffsetPos(int delta) { return int(SendMessage(PBM_DELTAPOS, WPARAM(delta))); }
int CProgressCtrl::SetStep(int step) { return int(SendMessage(PBM_SETSTEP, WPARAM(step))); }
int CProgressCtrl::StepIt() { return int(SendMessage(PBM_STEPIT)); }

// The window description: every control with its parent, place, text and handler, as tables.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QTabWidget>
#include <QToolTip>
#include <map>
#include <string>

#include "app/Controls.h"
#include "app/TForm1.h"

namespace {

constexpr int kTopBarHeight = 29;
constexpr int kPagesHeight = 59;
constexpr const char* kContext = "Form1";  ///< the translation context of the window's texts

// clang-format off
enum class Kind { Panel, PadPanel, Pad, DropDown, Numbers, Label, Edit, Button, Slider, Check, Slot,
                  Pages, Page };
// clang-format on

/// How a control is placed in its parent.
enum class Fit {
  At,    ///< at x, y with size w × h
  Text,  ///< at x, y, as large as its text
  Band,  ///< by layoutBands (the window's bands) or FormResize (the pad), at every resize
  Fill,  ///< fills its parent inside its frame
  Row,   ///< next in a row along its parent, w wide
};

struct Control {
  Kind kind;
  const char* name;
  const char* parent;
  Fit fit;
  int x, y, w, h;
  const char* text;  ///< shown translated; for Numbers the last item; for Slot its tag
};

// Parents come before their children; the order is also the order of stacking.
constexpr Control kControls[] = {
    {Kind::Panel, "Panel2", "Form1", Fit::Band, 0, 0, 0, 0, ""},
    {Kind::DropDown, "ComboBox1", "Panel2", Fit::At, 12, 3, 145, 21, ""},
    {Kind::Label, "Label2", "Panel2", Fit::Text, 160, 6, 0, 0, QT_TRANSLATE_NOOP("Form1", "ch")},
    {Kind::Numbers, "Edit1", "Panel2", Fit::At, 177, 3, 47, 21, "16"},
    {Kind::Numbers, "ComboBox2", "Panel2", Fit::At, 230, 3, 103, 21, "128"},
    {Kind::Panel, "Panel7", "Panel2", Fit::Band, 0, 0, 0, 0, ""},
    {Kind::Label, "Label3", "Panel7", Fit::Text, 4, 5, 0, 0, QT_TRANSLATE_NOOP("Form1", "テンポ")},
    {Kind::Edit, "Edit5", "Panel7", Fit::At, 33, 2, 32, 21, "125"},
    {Kind::PadPanel, "Panel1", "Form1", Fit::Band, 0, 0, 0, 0, ""},
    {Kind::Panel, "Panel3", "Panel1", Fit::Band, 0, 0, 0, 0, ""},
    {Kind::Pad, "PaintBox1", "Panel3", Fit::Band, 0, 0, 0, 0, ""},
    {Kind::Pages, "PageControl1", "Form1", Fit::Band, 0, 0, 0, 0, ""},
    {Kind::Page, "TabSheet1", "PageControl1", Fit::Fill, 0, 0, 0, 0,
     QT_TRANSLATE_NOOP("Form1", "Length")},
    {Kind::Page, "TabSheet2", "PageControl1", Fit::Fill, 0, 0, 0, 0,
     QT_TRANSLATE_NOOP("Form1", "GateArp")},
    {Kind::Page, "TabSheet3", "PageControl1", Fit::Fill, 0, 0, 0, 0,
     QT_TRANSLATE_NOOP("Form1", "PadSetting")},
    // Page "Length".
    {Kind::Panel, "Panel5", "TabSheet1", Fit::Fill, 0, 0, 0, 0, ""},
    {Kind::Label, "Label1", "Panel5", Fit::Text, 12, 6, 0, 0, QT_TRANSLATE_NOOP("Form1", "Length")},
    {Kind::Edit, "Edit3", "Panel5", Fit::At, 49, 3, 29, 21, "0"},
    {Kind::Slider, "TrackBar1", "Panel5", Fit::At, 84, 2, 150, 27, ""},
    {Kind::Button, "Button5", "Panel5", Fit::At, 240, 2, 27, 25, "60"},
    {Kind::Button, "Button6", "Panel5", Fit::At, 266, 2, 27, 25, "120"},
    {Kind::Button, "Button7", "Panel5", Fit::At, 292, 2, 27, 25, "180"},
    {Kind::Button, "Button8", "Panel5", Fit::At, 318, 2, 27, 25, "240"},
    {Kind::Button, "Button9", "Panel5", Fit::At, 344, 2, 27, 25, "360"},
    {Kind::Button, "Button10", "Panel5", Fit::At, 370, 2, 27, 25, "480"},
    {Kind::Button, "Button11", "Panel5", Fit::At, 396, 2, 27, 25, "720"},
    {Kind::Button, "Button12", "Panel5", Fit::At, 422, 2, 27, 25, "960"},
    // Page "GateArp".
    {Kind::Check, "CheckBox1", "TabSheet2", Fit::At, 3, 8, 41, 17,
     QT_TRANSLATE_NOOP("Form1", "Hold")},
    {Kind::Slot, "SpeedButton1", "TabSheet2", Fit::At, 50, -1, 35, 34, "0"},
    {Kind::Slot, "SpeedButton2", "TabSheet2", Fit::At, 89, -1, 34, 34, "1"},
    {Kind::Slot, "SpeedButton3", "TabSheet2", Fit::At, 128, -1, 35, 34, "2"},
    {Kind::Slot, "SpeedButton4", "TabSheet2", Fit::At, 168, -1, 35, 34, "3"},
    {Kind::Slot, "SpeedButton5", "TabSheet2", Fit::At, 207, -1, 35, 34, "4"},
    {Kind::Slot, "SpeedButton6", "TabSheet2", Fit::At, 246, -1, 35, 34, "5"},
    {Kind::Slot, "SpeedButton7", "TabSheet2", Fit::At, 287, -1, 35, 34, "6"},
    {Kind::Slot, "SpeedButton8", "TabSheet2", Fit::At, 325, -1, 35, 34, "7"},
    {Kind::Slot, "SpeedButton9", "TabSheet2", Fit::At, 364, -1, 35, 34, "8"},
    {Kind::Slot, "SpeedButton10", "TabSheet2", Fit::At, 405, -1, 35, 34, "9"},
    // Page "PadSetting": two panels side by side.
    {Kind::Panel, "Panel4", "TabSheet3", Fit::Row, 0, 0, 251, 0, ""},
    {Kind::Label, "Label4", "Panel4", Fit::Text, 14, 5, 0, 0,
     QT_TRANSLATE_NOOP("Form1", "X軸-音階")},
    {Kind::Button, "Button1", "Panel4", Fit::At, 113, 0, 75, 25,
     QT_TRANSLATE_NOOP("Form1", "鍵盤生成")},
    {Kind::Edit, "Edit2", "Panel4", Fit::At, 77, 2, 34, 21, "128"},
    {Kind::Button, "Button2", "Panel4", Fit::At, 208, 0, 35, 25, "..."},
    {Kind::Panel, "Panel6", "TabSheet3", Fit::Row, 0, 0, 226, 0, ""},
    {Kind::Label, "Label5", "Panel6", Fit::Text, 13, 5, 0, 0,
     QT_TRANSLATE_NOOP("Form1", "Y軸-音量")},
    {Kind::Button, "Button3", "Panel6", Fit::At, 101, 2, 75, 25,
     QT_TRANSLATE_NOOP("Form1", "Vol分解")},
    {Kind::Edit, "Edit4", "Panel6", Fit::At, 65, 3, 34, 21, "8"},
    {Kind::Button, "Button4", "Panel6", Fit::At, 182, 2, 31, 25, "..."},
};

/// The pop-up menus: each has one command, offered by a right click on its owner.
struct MenuItem {
  const char* menu;
  const char* action;
  const char* text;
  void (TForm1::*handler)();
};
constexpr MenuItem kMenus[] = {
    {"PopupMenu1", "Version1", QT_TRANSLATE_NOOP("Form1", "バージョン情報"),
     &TForm1::Version1Click},
    {"PopupMenu2", "GateArp1", QT_TRANSLATE_NOOP("Form1", "GateArpファイルリスト"),
     &TForm1::GateArp1Click},
};

/// Handlers without arguments: a button's click, a list's choice, the slider's move.
struct Handler {
  const char* control;
  void (TForm1::*handler)();
};
constexpr Handler kHandlers[] = {
    {"ComboBox1", &TForm1::ComboBox1Change}, {"ComboBox2", &TForm1::ComboBox2Change},
    {"TrackBar1", &TForm1::TrackBar1Change}, {"Button1", &TForm1::Button1Click},
    {"Button2", &TForm1::Button2Click},      {"Button3", &TForm1::Button3Click},
    {"Button4", &TForm1::Button4Click},
};

// The top bar's children pass their right click on to the bar; the tempo box keeps its own
// edit menu.
constexpr const char* kTopBarMenuOwners[] = {"Panel2", "ComboBox1", "Edit1", "ComboBox2",
                                             "Label2", "Label3",    "Panel7"};

// Focus order: the top bar, then the pages and their controls.
constexpr const char* kFocusOrder[] = {
    "ComboBox1", "Edit1",    "ComboBox2", "Edit5",     "PageControl1", "Edit3",
    "TrackBar1", "Button5",  "Button6",   "Button7",   "Button8",      "Button9",
    "Button10",  "Button11", "Button12",  "CheckBox1", "Button1",      "Edit2",
    "Button2",   "Button3",  "Edit4",     "Button4"};

QString text(const Control& c) {
  return QCoreApplication::translate(kContext, c.text);
}

QWidget* makeNumbers(QWidget* parent, const Control& c) {
  auto* list = new QComboBox(parent);
  for (int i = 1, last = std::stoi(c.text); i <= last; ++i) list->addItem(QString::number(i));
  return list;
}

/// The widget of c inside parent (a page is added to its pages by place()).
QWidget* make(const Control& c, QWidget* parent) {
  switch (c.kind) {
    case Kind::Panel:
      return std::string(c.name) == "Panel3" ? app::makeBlackPanel(parent) : app::makePanel(parent);
    case Kind::PadPanel: {
      auto* panel = new app::Panel(parent);
      panel->setAutoFillBackground(true);
      return panel;
    }
    case Kind::Pad:
      return new app::PaintBox(parent);
    case Kind::DropDown:
      return new app::DropDownList(parent);
    case Kind::Numbers:
      return makeNumbers(parent, c);
    case Kind::Label:
      return new QLabel(text(c), parent);
    case Kind::Edit:
      return new QLineEdit(QString::fromUtf8(c.text), parent);
    case Kind::Button: {
      auto* button = new QPushButton(text(c), parent);
      button->setAutoDefault(false);
      return button;
    }
    case Kind::Slider:
      return app::makeLengthSlider(parent);
    case Kind::Check:
      return new QCheckBox(text(c), parent);
    case Kind::Slot:
      return new app::SpeedButton(parent, std::stoi(c.text));
    case Kind::Pages:
      return app::makePages(parent);
    case Kind::Page:
      return new QWidget;
  }
  return nullptr;
}

/// Puts w where c says inside parent.
void place(const Control& c, QWidget* w, QWidget* parent) {
  if (c.kind == Kind::Page) {
    static_cast<QTabWidget*>(parent)->addTab(w, text(c));
  } else if (c.fit == Fit::At) {
    w->setGeometry(c.x, c.y, c.w, c.h);
  } else if (c.fit == Fit::Text) {
    w->move(c.x, c.y);
    w->adjustSize();
  } else if (c.fit == Fit::Fill) {
    auto* layout = new QVBoxLayout(parent);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(w);
  } else if (c.fit == Fit::Row) {
    auto* row = qobject_cast<QHBoxLayout*>(parent->layout());
    if (row == nullptr) {
      row = new QHBoxLayout(parent);
      row->setContentsMargins(0, 0, 0, 0);
      row->setSpacing(0);
      row->addStretch(1);
    }
    w->setFixedWidth(c.w);
    row->insertWidget(row->count() - 1, w);  // before the stretch that takes the rest
  }
}

using Named = std::map<std::string, QWidget*>;

/// Makes every control of the table under window; each by its name.
Named makeControls(QWidget* window) {
  Named named{{"Form1", window}};
  for (const Control& c : kControls) {
    QWidget* parent = named.at(c.parent);
    QWidget* w = make(c, parent);
    w->setObjectName(c.name);
    place(c, w, parent);
    named[c.name] = w;
  }
  return named;
}

template <class T>
void take(T*& member, const Named& named, const char* name) {
  member = dynamic_cast<T*>(named.at(name));
}

}  // namespace

void TForm1::buildControls() {
  setObjectName("Form1");
  setWindowTitle("Korvane");
  // Stays on top, resizable, close button only; an ordinary window keeps its task-bar entry.
  setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  // Clicks on the pad go up to the window; it must not take the focus from a control.
  setFocusPolicy(Qt::NoFocus);
  resize(643, 337);
  const Named named = makeControls(this);
  takeControls(named);
  buildMenus(named);
  for (std::size_t i = 1; i < std::size(kFocusOrder); ++i)
    setTabOrder(named.at(kFocusOrder[i - 1]), named.at(kFocusOrder[i]));
  bindHandlers(named);
  bindPointerHandlers();
  layoutBands();
}

void TForm1::takeControls(const std::map<std::string, QWidget*>& named) {
  take(Panel2, named, "Panel2");
  take(ComboBox1, named, "ComboBox1");
  take(Label2, named, "Label2");
  take(Edit1, named, "Edit1");
  take(ComboBox2, named, "ComboBox2");
  take(Panel7, named, "Panel7");
  take(Label3, named, "Label3");
  take(Edit5, named, "Edit5");
  take(Panel1, named, "Panel1");
  take(Panel3, named, "Panel3");
  take(PaintBox1, named, "PaintBox1");
  take(PageControl1, named, "PageControl1");
  take(TabSheet1, named, "TabSheet1");
  take(TabSheet2, named, "TabSheet2");
  take(TabSheet3, named, "TabSheet3");
  take(Panel5, named, "Panel5");
  take(Label1, named, "Label1");
  take(Edit3, named, "Edit3");
  take(TrackBar1, named, "TrackBar1");
  take(CheckBox1, named, "CheckBox1");
  take(Panel4, named, "Panel4");
  take(Label4, named, "Label4");
  take(Button1, named, "Button1");
  take(Edit2, named, "Edit2");
  take(Button2, named, "Button2");
  take(Panel6, named, "Panel6");
  take(Label5, named, "Label5");
  take(Button3, named, "Button3");
  take(Edit4, named, "Edit4");
  take(Button4, named, "Button4");
  for (int i = 5; i <= 12; ++i)
    LengthButtons.push_back(dynamic_cast<QPushButton*>(named.at("Button" + std::to_string(i))));
  for (int i = 1; i <= 10; ++i)
    SpeedButtons.push_back(
        dynamic_cast<app::SpeedButton*>(named.at("SpeedButton" + std::to_string(i))));
  SpeedButtons[0]->setChecked(true);
}

void TForm1::buildMenus(const std::map<std::string, QWidget*>& named) {
  QMenu* menus[std::size(kMenus)];
  QAction* actions[std::size(kMenus)];
  for (std::size_t i = 0; i < std::size(kMenus); ++i) {
    const MenuItem& item = kMenus[i];
    menus[i] = new QMenu(this);
    menus[i]->setObjectName(item.menu);
    actions[i] = menus[i]->addAction(QCoreApplication::translate(kContext, item.text));
    actions[i]->setObjectName(item.action);
    connect(actions[i], &QAction::triggered, this,
            [this, handler = item.handler] { guarded([=, this] { (this->*handler)(); }); });
  }
  PopupMenu1 = menus[0], Version1 = actions[0];
  PopupMenu2 = menus[1], GateArp1 = actions[1];
  for (const char* name : kTopBarMenuOwners) {
    QWidget* owner = named.at(name);
    owner->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(owner, &QWidget::customContextMenuRequested, this,
            [this, owner](const QPoint& at) { PopupMenu1->popup(owner->mapToGlobal(at)); });
  }
  // Offered on the page's empty area; the slot buttons take their own right clicks.
  TabSheet2->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(TabSheet2, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (TabSheet2->childAt(at) == nullptr) PopupMenu2->popup(TabSheet2->mapToGlobal(at));
  });
}

void TForm1::bindHandlers(const std::map<std::string, QWidget*>& named) {
  // Every entry from Qt goes through guarded().
  for (const Handler& h : kHandlers) {
    QWidget* w = named.at(h.control);
    auto call = [this, handler = h.handler] { guarded([=, this] { (this->*handler)(); }); };
    if (auto* button = qobject_cast<QPushButton*>(w))
      connect(button, &QPushButton::clicked, this, call);
    if (auto* list = qobject_cast<QComboBox*>(w)) connect(list, &QComboBox::activated, this, call);
    if (auto* slider = qobject_cast<QSlider*>(w))
      connect(slider, &QSlider::valueChanged, this, call);
  }
  static_cast<app::DropDownList*>(ComboBox1)->onDropDown = [this] {
    guarded([this] { ComboBox1DropDown(); });
  };
  for (QLineEdit* edit : {Edit2, Edit3, Edit4})
    connect(edit, &QLineEdit::textChanged, this,
            [this, edit] { guarded([=, this] { Edit3Change(edit); }); });
  // The position tip beside the thumb while it is dragged.
  connect(TrackBar1, &QSlider::sliderMoved, this, [this](int value) {
    const int x = 5 + (TrackBar1->width() - 10) * value / 960;
    QToolTip::showText(TrackBar1->mapToGlobal(QPoint(x + 12, 0)), QString::number(value),
                       TrackBar1);
  });
  for (QPushButton* b : LengthButtons)
    connect(b, &QPushButton::clicked, this, [this, b] { guarded([=, this] { Button5Click(b); }); });
  // Escape wherever the focus is in the window; its release still reaches FormKeyUp.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  escape->setAutoRepeat(false);
  connect(escape, &QShortcut::activated, this, [this] { guarded([this] { Panic(); }); });
}

void TForm1::bindPointerHandlers() {
  Panel1->onLeave = [this] { guarded([this] { Panel1MouseLeave(); }); };
  Panel1->pad = PaintBox1;
  PaintBox1->onPaint = [this] { guarded([this] { PaintBox1Paint(); }); };
  PaintBox1->onEnter = [this] { guarded([this] { PaintBox1MouseEnter(); }); };
  PaintBox1->onLeave = [this] { guarded([this] { PaintBox1MouseLeave(); }); };
  PaintBox1->onMove = [this](int x, int y) { guarded([=, this] { PaintBox1MouseMove(x, y); }); };
  PaintBox1->onDown = [this](Qt::MouseButton b, int x, int y) {
    guarded([=, this] { PaintBox1MouseDown(b, x, y); });
  };
  PaintBox1->onUp = [this](Qt::MouseButton b, int x, int y) {
    guarded([=, this] { PaintBox1MouseUp(b, x, y); });
  };
  for (app::SpeedButton* s : SpeedButtons) {
    const int tag = s->Tag;
    connect(s, &QToolButton::clicked, this, [this, tag] {
      guarded([=, this] {
        // One group: the clicked slot goes down, the others up, before the click handler.
        for (auto* other : SpeedButtons) other->setChecked(other->Tag == tag);
        SpeedButton1Click(tag);
      });
    });
    s->onDown = [this, tag](Qt::MouseButton b) {
      guarded([=, this] { SpeedButton1MouseDown(tag, b); });
    };
    s->onUp = [this, tag](Qt::MouseButton b) {
      guarded([=, this] { SpeedButton1MouseUp(tag, b); });
    };
    s->onLeave = [this, tag] { guarded([=, this] { SpeedButton1MouseLeave(tag); }); };
  }
}

void TForm1::layoutBands() {
  const int w = width(), h = height();
  Panel2->setGeometry(0, 0, w, kTopBarHeight);
  Panel7->setGeometry(w - 1 - 70, 1, 70, kTopBarHeight - 2);
  PageControl1->setGeometry(0, h - kPagesHeight, w, kPagesHeight);
  Panel1->setGeometry(0, kTopBarHeight, w, std::max(0, h - kTopBarHeight - kPagesHeight));
}

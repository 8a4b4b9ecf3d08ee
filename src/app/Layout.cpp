// The window description: every control with its place, size, text and handler binding.
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProxyStyle>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QTabWidget>
#include <QToolTip>

#include "app/Controls.h"
#include "app/TForm1.h"

namespace {

constexpr int kTopBarHeight = 29;
constexpr int kPagesHeight = 59;

QLabel* makeLabel(QWidget* parent, const char* text, int x, int y) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->move(x, y);
  label->adjustSize();
  return label;
}

QComboBox* makeList(QWidget* parent, int x, int y, int w, int h, int from, int to) {
  auto* combo = new QComboBox(parent);
  combo->setGeometry(x, y, w, h);
  for (int i = from; i <= to; ++i) combo->addItem(QString::number(i));
  return combo;
}

QLineEdit* makeEdit(QWidget* parent, const char* text, int x, int y, int w, int h) {
  auto* edit = new QLineEdit(QString::fromUtf8(text), parent);
  edit->setGeometry(x, y, w, h);
  return edit;
}

QPushButton* makeButton(QWidget* parent, const char* text, int x, int y, int w, int h) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setGeometry(x, y, w, h);
  button->setAutoDefault(false);
  return button;
}

/// Lets child fill parent's contents (inside its frame), as an aligned control does.
void fillWith(QWidget* parent, QWidget* child) {
  auto* layout = new QVBoxLayout(parent);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(child);
}

/// Tab pages with tabs along the bottom: each page inside a 4-pixel frame, the tabs in the
/// 22 pixels below it, so a page of the designed 59-pixel control has a 33-pixel client area.
class PagesStyle : public QProxyStyle {
 public:
  QRect subElementRect(SubElement element, const QStyleOption* option,
                       const QWidget* widget) const override {
    const QRect all = option->rect;
    switch (element) {
      case SE_TabWidgetTabPane:
        return QRect(all.left(), all.top(), all.width(),
                     std::max(0, all.height() - kTabsHeight + kFrame));
      case SE_TabWidgetTabContents:
        return QRect(all.left() + kFrame, all.top() + kFrame, std::max(0, all.width() - 2 * kFrame),
                     std::max(0, all.height() - kTabsHeight - kFrame));
      case SE_TabWidgetTabBar: {
        const QRect bar = QProxyStyle::subElementRect(element, option, widget);
        return QRect(bar.left(), all.bottom() + 1 - kTabsHeight + kOverlap, bar.width(),
                     kTabsHeight - kOverlap);
      }
      default:
        return QProxyStyle::subElementRect(element, option, widget);
    }
  }

 private:
  static constexpr int kFrame = 4, kTabsHeight = 22, kOverlap = 2;
};

template <class T>
T* named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
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

  // Top bar.
  Panel2 = named(app::makePanel(this), "Panel2");
  auto* deviceList = new app::DropDownList(Panel2);
  deviceList->setGeometry(12, 3, 145, 21);
  deviceList->onDropDown = [this] { guarded([this] { ComboBox1DropDown(); }); };
  ComboBox1 = named(static_cast<QComboBox*>(deviceList), "ComboBox1");
  Label2 = named(makeLabel(Panel2, "ch", 160, 6), "Label2");
  Edit1 = named(makeList(Panel2, 177, 3, 47, 21, 1, 16), "Edit1");
  ComboBox2 = named(makeList(Panel2, 230, 3, 103, 21, 1, 128), "ComboBox2");
  Panel7 = named(app::makePanel(Panel2), "Panel7");
  Label3 = named(makeLabel(Panel7, "テンポ", 4, 5), "Label3");
  Edit5 = named(makeEdit(Panel7, "125", 33, 2, 32, 21), "Edit5");
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  Version1 = PopupMenu1->addAction(QString::fromUtf8("バージョン情報"));
  Version1->setObjectName("Version1");
  Panel2->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Panel2, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(Panel2->mapToGlobal(at)); });
  // Children pass their right click on to the bar; the tempo box keeps its own edit menu.
  for (QWidget* child : {static_cast<QWidget*>(ComboBox1), static_cast<QWidget*>(Edit1),
                         static_cast<QWidget*>(ComboBox2), static_cast<QWidget*>(Label2),
                         static_cast<QWidget*>(Label3), static_cast<QWidget*>(Panel7)}) {
    child->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(child, &QWidget::customContextMenuRequested, this,
            [this, child](const QPoint& at) { PopupMenu1->popup(child->mapToGlobal(at)); });
  }
  connect(Version1, &QAction::triggered, this, [this] { guarded([this] { Version1Click(); }); });

  // Pad area.
  Panel1 = named(new app::Panel(this), "Panel1");
  Panel1->setAutoFillBackground(true);
  Panel3 = named(app::makePanel(Panel1), "Panel3");
  Panel3->setAutoFillBackground(true);
  QPalette black = Panel3->palette();
  black.setColor(QPalette::Window, Qt::black);
  Panel3->setPalette(black);
  PaintBox1 = named(new app::PaintBox(Panel3), "PaintBox1");

  // Pages, tabs along the bottom.
  PageControl1 = named(new QTabWidget(this), "PageControl1");
  PageControl1->setTabPosition(QTabWidget::South);
  auto* pagesStyle = new PagesStyle;
  pagesStyle->setParent(PageControl1);
  PageControl1->setStyle(pagesStyle);
  TabSheet1 = named(new QWidget, "TabSheet1");
  TabSheet2 = named(new QWidget, "TabSheet2");
  TabSheet3 = named(new QWidget, "TabSheet3");
  PageControl1->addTab(TabSheet1, "Length");
  PageControl1->addTab(TabSheet2, "GateArp");
  PageControl1->addTab(TabSheet3, "PadSetting");

  // Page "Length".
  Panel5 = named(app::makePanel(TabSheet1), "Panel5");
  fillWith(TabSheet1, Panel5);
  Label1 = named(makeLabel(Panel5, "Length", 12, 6), "Label1");
  Edit3 = named(makeEdit(Panel5, "0", 49, 3, 29, 21), "Edit3");
  TrackBar1 = named(new QSlider(Qt::Horizontal, Panel5), "TrackBar1");
  TrackBar1->setGeometry(84, 2, 150, 27);
  TrackBar1->setRange(0, 960);
  TrackBar1->setSingleStep(1);
  TrackBar1->setPageStep(60);
  TrackBar1->setTickInterval(120);
  TrackBar1->setTickPosition(QSlider::TicksBelow);
  TrackBar1->setValue(0);
  static const char* kLengths[] = {"60", "120", "180", "240", "360", "480", "720", "960"};
  static const int kLefts[] = {240, 266, 292, 318, 344, 370, 396, 422};
  for (int i = 0; i < 8; ++i) {
    auto* b = makeButton(Panel5, kLengths[i], kLefts[i], 2, 27, 25);
    b->setObjectName(QString("Button%1").arg(5 + i));
    LengthButtons.push_back(b);
  }

  // Page "GateArp".
  CheckBox1 = named(new QCheckBox("Hold", TabSheet2), "CheckBox1");
  CheckBox1->setGeometry(3, 8, 41, 17);
  static const int kSlotLefts[] = {50, 89, 128, 168, 207, 246, 287, 325, 364, 405};
  for (int i = 0; i < 10; ++i) {
    auto* s = new app::SpeedButton(TabSheet2, i);
    s->setObjectName(QString("SpeedButton%1").arg(i + 1));
    s->setGeometry(kSlotLefts[i], -1, i == 1 ? 34 : 35, 34);
    SpeedButtons.push_back(s);
  }
  SpeedButtons[0]->setChecked(true);
  PopupMenu2 = new QMenu(this);
  PopupMenu2->setObjectName("PopupMenu2");
  GateArp1 = PopupMenu2->addAction(QString::fromUtf8("GateArpファイルリスト"));
  GateArp1->setObjectName("GateArp1");
  // Offered on the page's empty area; the slot buttons take their own right clicks.
  TabSheet2->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(TabSheet2, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (TabSheet2->childAt(at) == nullptr) PopupMenu2->popup(TabSheet2->mapToGlobal(at));
  });
  connect(GateArp1, &QAction::triggered, this, [this] { guarded([this] { GateArp1Click(); }); });

  // Page "PadSetting".
  Panel4 = named(app::makePanel(TabSheet3), "Panel4");
  Label4 = named(makeLabel(Panel4, "X軸-音階", 14, 5), "Label4");
  Button1 = named(makeButton(Panel4, "鍵盤生成", 113, 0, 75, 25), "Button1");
  Edit2 = named(makeEdit(Panel4, "128", 77, 2, 34, 21), "Edit2");
  Button2 = named(makeButton(Panel4, "...", 208, 0, 35, 25), "Button2");
  Panel6 = named(app::makePanel(TabSheet3), "Panel6");
  Label5 = named(makeLabel(Panel6, "Y軸-音量", 13, 5), "Label5");
  Button3 = named(makeButton(Panel6, "Vol分解", 101, 2, 75, 25), "Button3");
  Edit4 = named(makeEdit(Panel6, "8", 65, 3, 34, 21), "Edit4");
  Button4 = named(makeButton(Panel6, "...", 182, 2, 31, 25), "Button4");
  auto* row = new QHBoxLayout(TabSheet3);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  Panel4->setFixedWidth(251);
  Panel6->setFixedWidth(226);
  row->addWidget(Panel4);
  row->addWidget(Panel6);
  row->addStretch(1);

  // Focus order: top bar, then the pages and their controls as listed.
  QWidget* order[] = {ComboBox1,
                      Edit1,
                      ComboBox2,
                      Edit5,
                      PageControl1,
                      Edit3,
                      TrackBar1,
                      LengthButtons[0],
                      LengthButtons[1],
                      LengthButtons[2],
                      LengthButtons[3],
                      LengthButtons[4],
                      LengthButtons[5],
                      LengthButtons[6],
                      LengthButtons[7],
                      CheckBox1,
                      Button1,
                      Edit2,
                      Button2,
                      Button3,
                      Edit4,
                      Button4};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  // Handler bindings. Every entry from Qt goes through guarded().
  connect(ComboBox1, &QComboBox::activated, this,
          [this] { guarded([this] { ComboBox1Change(); }); });
  connect(ComboBox2, &QComboBox::activated, this,
          [this] { guarded([this] { ComboBox2Change(); }); });
  // Escape wherever the focus is in the window; its release still reaches FormKeyUp.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  escape->setAutoRepeat(false);
  connect(escape, &QShortcut::activated, this, [this] { guarded([this] { Panic(); }); });
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
  for (QLineEdit* edit : {Edit2, Edit3, Edit4})
    connect(edit, &QLineEdit::textChanged, this,
            [this, edit] { guarded([=, this] { Edit3Change(edit); }); });
  connect(TrackBar1, &QSlider::valueChanged, this,
          [this] { guarded([this] { TrackBar1Change(); }); });
  // The position tip beside the thumb while it is dragged.
  connect(TrackBar1, &QSlider::sliderMoved, this, [this](int value) {
    const int x = 5 + (TrackBar1->width() - 10) * value / 960;
    QToolTip::showText(TrackBar1->mapToGlobal(QPoint(x + 12, 0)), QString::number(value),
                       TrackBar1);
  });
  for (QPushButton* b : LengthButtons)
    connect(b, &QPushButton::clicked, this, [this, b] { guarded([=, this] { Button5Click(b); }); });
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
  connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
  connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
  connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
  connect(Button4, &QPushButton::clicked, this, [this] { guarded([this] { Button4Click(); }); });
  layoutBands();
}

void TForm1::layoutBands() {
  const int w = width(), h = height();
  Panel2->setGeometry(0, 0, w, kTopBarHeight);
  Panel7->setGeometry(w - 1 - 70, 1, 70, kTopBarHeight - 2);
  PageControl1->setGeometry(0, h - kPagesHeight, w, kPagesHeight);
  Panel1->setGeometry(0, kTopBarHeight, w, std::max(0, h - kTopBarHeight - kPagesHeight));
}

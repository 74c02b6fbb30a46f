// Where the window opens and how it keeps its size: at the default size centred on its
// screen where that fits, else as large as the screen's free area; where and as large
// as it was when last closed, as long as that is still on a screen, and maximized when
// it was closed maximized (restored to its earlier size and place); never smaller than
// keeps every control usable. The strips' controls follow the width.
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <optional>

#include "app/Form1.h"
#include "browse/WindowGeometry.h"

namespace tarnwick::app {

namespace {

// "x,y,width,height": the frame's top-left corner and the client area's size.
const QString kGeometryKey = QStringLiteral("window/geometry");
// "list,tree": the session list's and the tree's widths.
const QString kPanesKey = QStringLiteral("window/panes");
// Whether the window was maximized when closed; the geometry is then its normal one.
const QString kMaximizedKey = QStringLiteral("window/maximized");

// The narrowest a pane gets when the window's width is shared out.
constexpr int kLeastPane = 40;

TSize Plus(TSize a, TSize b) { return {a.width + b.width, a.height + b.height}; }

}  // namespace

void TForm1::PlaceOnScreen() {
  QSettings settings;
  // Before it is shown the window's frame is not known: the layout's is assumed.
  const TSize frame = ScaledSize(kAssumedFrame, scale_);
  std::optional<TRect> remembered = ParseRect(settings.value(kGeometryKey).toString().toStdString());
  if (remembered) {
    remembered->width += frame.width;
    remembered->height += frame.height;
  }
  QScreen* screen = nullptr;
  if (remembered) {
    screen = QGuiApplication::screenAt(QRect(remembered->x, remembered->y, remembered->width, remembered->height).center());
  }
  if (screen == nullptr) screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  const TSize minimum = ScaledSize(kMinimumClient, scale_);
  setMinimumSize(minimum.width, minimum.height);
  if (screen == nullptr) {
    resize(ScaledSize(kDefaultClient, scale_).width, ScaledSize(kDefaultClient, scale_).height);
    return;
  }
  const QRect free = screen->availableGeometry();
  const TRect outer = OpeningRect({free.x(), free.y(), free.width(), free.height()},
                                  Plus(ScaledSize(kDefaultClient, scale_), frame), Plus(minimum, frame), remembered);
  move(outer.x, outer.y);
  resize(outer.width - frame.width, outer.height - frame.height);

  if (const std::optional<TPanes> panes = ParsePanes(settings.value(kPanesKey).toString().toStdString())) {
    // The splitter's width once laid out: the sizes then add up to it and stay as set.
    const int middle = width() - 2 * Panel1->frameWidth(), gap = Splitter1->handleWidth();
    const TPanes fitted = FitPanes(*panes, middle, gap, Scaled(kLeastPane));
    Splitter1->setSizes({fitted.list, fitted.tree, middle - 2 * gap - fitted.list - fitted.tree});
  }
  // Shown maximized, with the place above kept for when it is restored.
  if (settings.value(kMaximizedKey).toBool()) setWindowState(windowState() | Qt::WindowMaximized);
}

void TForm1::PlaceStrips() {
  const TTopStrip strip = TopStrip(Panel3->width(), scale_);
  cbDrives->setGeometry(Scaled(88), Scaled(9), strip.selectorWidth, Scaled(21));
  Button1->move(strip.showX, Scaled(8));
  QLabel* const fixedLabels[] = {Label1, Label2, Label3};
  QLabel* const valueLabels[] = {lMedium, lDiscSize, lUsedSpace};
  for (int i = 0; i < 3; ++i) {
    fixedLabels[i]->move(strip.labelX, fixedLabels[i]->y());
    valueLabels[i]->move(strip.valueX, valueLabels[i]->y());
  }
  lHint->resize(std::max(0, Panel2->width() - lHint->x() - Scaled(4)), lHint->height());
}

void TForm1::closeEvent(QCloseEvent* event) {
  QSettings settings;
  // A maximized window keeps the size and place it has when restored (its frame is
  // where it is now from its client area); a minimized one what was kept before.
  const bool maximized = windowState().testFlag(Qt::WindowMaximized);
  if (!windowState().testFlag(Qt::WindowMinimized) && !windowState().testFlag(Qt::WindowFullScreen)) {
    const QRect normal = maximized ? normalGeometry() : geometry();
    const QPoint frame = pos() - geometry().topLeft();
    settings.setValue(kGeometryKey, QString::fromStdString(RectText({normal.x() + frame.x(), normal.y() + frame.y(),
                                                                     normal.width(), normal.height()})));
  }
  settings.setValue(kMaximizedKey, maximized);
  const QList<int> sizes = Splitter1->sizes();
  if (sizes.size() == 3) settings.setValue(kPanesKey, QString::fromStdString(PanesText({sizes[0], sizes[1]})));
  QMainWindow::closeEvent(event);
}

}  // namespace tarnwick::app

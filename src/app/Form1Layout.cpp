// The window's controls: names, captions, fonts and geometry. Sizes are given for
// 96 dots per inch and scaled to the screen's logical density.
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "Version.h"
#include "browse/About.h"
#include "app/Dialogs.h"
#include "app/EntryGrid.h"
#include "app/Form1.h"
#include "browse/GridRows.h"
#include "browse/GridSizeColumn.h"
#include "browse/SessionListing.h"
#include "browse/WindowCommands.h"

namespace tarnwick::app {

namespace {

// A control owned by its parent widget from creation on.
template <class T, class... Args>
T* Child(QWidget* parent, const char* name, Args&&... args) {
  auto control = std::make_unique<T>(std::forward<Args>(args)...);
  control->setParent(parent);
  control->setObjectName(QString::fromLatin1(name));
  return control.release();
}

QLabel* Label(QWidget* parent, const char* name, const QString& text) {
  QLabel* label = Child<QLabel>(parent, name, text);
  label->setTextFormat(Qt::PlainText);
  return label;
}

// A context menu owned by the window; constructed with its parent so that it stays a
// popup (a later setParent would make it an ordinary child widget).
QMenu* Menu(QWidget* parent, const char* name) {
  auto menu = std::make_unique<QMenu>(parent);
  menu->setObjectName(QString::fromLatin1(name));
  return menu.release();
}

QFont WithPointSize(QFont font, int points) {
  font.setPointSize(points);
  return font;
}

// A font whose glyphs Qt measures as one width: the first of the known fixed-pitch
// families that resolves to such a font, whichever monospace font the font
// configuration prefers (some report themselves as proportional).
QFont FixedPitchFont() {
  std::vector<QFont> candidates;
  for (const char* family : {"Courier New", "DejaVu Sans Mono", "Liberation Mono", "Courier"}) {
    QFont font(QString::fromLatin1(family));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    candidates.push_back(font);
  }
  candidates.push_back(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  for (const QFont& font : candidates) {
    if (QFontInfo(font).fixedPitch()) return font;
  }
  return candidates.back();
}

}  // namespace

TForm1::TForm1(std::shared_ptr<IDialogs> dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs ? std::move(dialogs) : std::make_shared<QtDialogs>()) {
  setObjectName(QStringLiteral("Form1"));
  scale_ = logicalDpiX() > 0 ? logicalDpiX() / 96.0 : 1.0;
  CreateControls();
  ConfigureForBrowsing(quarnb_);
  FormCreate();
}

TForm1::~TForm1() = default;

int TForm1::Scaled(int pixels) const { return static_cast<int>(std::lround(pixels * scale_)); }

void TForm1::CreateControls() {
  setWindowTitle(QString::fromLatin1(kProductName) + " " + QString::fromLatin1(kProductVersion));

  const QFont base = WithPointSize(font(), 8);
  setFont(base);
  QFont bold = base;
  bold.setBold(true);
  const QFont fixed = FixedPitchFont();
  const QFont listFont = WithPointSize(fixed, 9);
  const QFont gridFont = WithPointSize(fixed, 8);

  QWidget* client = Child<QWidget>(this, "client");
  setCentralWidget(client);
  auto* column = Child<QVBoxLayout>(client, "clientLayout");
  client->setLayout(column);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  // Top strip: drive selector, "Show", the session list's heading, the disc labels.
  // The selector widens with the window and the disc labels keep to its right edge
  // (PlaceStrips); the positions below are those of the default width.
  Panel3 = Child<QFrame>(client, "Panel3");
  Panel3->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel3->setFixedHeight(Scaled(65));
  Panel3->installEventFilter(this);
  column->addWidget(Panel3);

  lDrive = Label(Panel3, "lDrive", QStringLiteral("Drive"));
  lDrive->setGeometry(Scaled(8), Scaled(16), Scaled(78), Scaled(13));

  cbDrives = Child<QComboBox>(Panel3, "cbDrives");
  cbDrives->setEditable(false);
  cbDrives->setGeometry(Scaled(88), Scaled(9), Scaled(337), Scaled(21));
  connect(cbDrives, &QComboBox::currentIndexChanged, this, [this] { cbDrivesChange(); });

  Button1 = Child<QPushButton>(Panel3, "Button1", QStringLiteral("Show"));
  Button1->setGeometry(Scaled(432), Scaled(8), Scaled(75), Scaled(25));
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

  Panel4 = Label(Panel3, "Panel4", QString::fromLatin1(kSessionListHeading));
  Panel4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel4->setLineWidth(1);
  Panel4->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Panel4->setFont(listFont);
  Panel4->setGeometry(Scaled(3), Scaled(47), Scaled(193), Scaled(20));

  const struct {
    QLabel** label;
    const char* name;
    const char* caption;
    int y;
  } fixedLabels[] = {{&Label1, "Label1", "Medium  :", 4},
                     {&Label2, "Label2", "Disc Size  :", 20},
                     {&Label3, "Label3", "Used Space  :", 36}};
  // The fixed labels are right-aligned at x 592 + 69; they may grow to the left,
  // and the value labels to the right, where the system's font is wider than the
  // layout's.
  for (const auto& l : fixedLabels) {
    *l.label = Label(Panel3, l.name, QString::fromLatin1(l.caption));
    (*l.label)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    (*l.label)->setGeometry(Scaled(592 - 51), Scaled(l.y), Scaled(69 + 51), Scaled(16));
  }
  const struct {
    QLabel** label;
    const char* name;
    int y;
  } valueLabels[] = {{&lMedium, "lMedium", 4}, {&lDiscSize, "lDiscSize", 20}, {&lUsedSpace, "lUsedSpace", 36}};
  for (const auto& l : valueLabels) {
    *l.label = Label(Panel3, l.name, QString());
    (*l.label)->setFont(bold);
    (*l.label)->setGeometry(Scaled(664), Scaled(l.y), Scaled(69 + 71), Scaled(16));
  }

  // Middle: session list, directory tree, entry grid, left to right, with splitters
  // between them; the list keeps its width when the window grows or shrinks, the tree
  // and the grid share the difference in proportion to their widths.
  Panel1 = Child<QFrame>(client, "Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  column->addWidget(Panel1, 1);
  auto* row = Child<QHBoxLayout>(Panel1, "Panel1Layout");
  Panel1->setLayout(row);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  Splitter1 = Child<QSplitter>(Panel1, "Splitter1", Qt::Horizontal);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->setHandleWidth(Scaled(3));
  row->addWidget(Splitter1);

  lb = Child<QListWidget>(Splitter1, "lb");
  lb->setFont(listFont);
  lb->setSelectionMode(QAbstractItemView::SingleSelection);
  lb->setUniformItemSizes(true);
  lb->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lb->viewport()->installEventFilter(this);
  lb->installEventFilter(this);
  Splitter1->addWidget(lb);

  tvDir = Child<QTreeWidget>(Splitter1, "tvDir");
  tvDir->setHeaderHidden(true);
  tvDir->setColumnCount(1);
  tvDir->setIndentation(Scaled(19));
  tvDir->setSelectionBehavior(QAbstractItemView::SelectRows);
  tvDir->setAllColumnsShowFocus(true);
  tvDir->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(tvDir, &QTreeWidget::itemClicked, this, [this] { tvDirClick(); });
  // The grid follows the current node whatever moved it: a click, the arrow keys.
  connect(tvDir, &QTreeWidget::currentItemChanged, this, [this] { tvDirClick(); });
  Splitter1->addWidget(tvDir);

  fl = Child<TEntryGrid>(Splitter1, "fl", 1, 3);
  fl->setFont(gridFont);
  fl->setHorizontalHeaderLabels({QString::fromLatin1(kGridNameHeading), QString::fromLatin1(kGridSizeHeading),
                                 QString::fromLatin1(kGridDateHeading)});
  fl->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  fl->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  fl->horizontalHeader()->setStretchLastSection(false);
  fl->verticalHeader()->hide();
  fl->verticalHeader()->setDefaultSectionSize(Scaled(18));
  fl->setColumnWidth(0, Scaled(254));
  fl->setColumnWidth(1, Scaled(kGridSizeColumnWidth));
  fl->setColumnWidth(2, Scaled(141));
  fl->setShowGrid(true);
  fl->setWordWrap(false);
  fl->setEditTriggers(QAbstractItemView::NoEditTriggers);
  fl->setSelectionBehavior(QAbstractItemView::SelectRows);
  // Several rows at once (with Shift and Ctrl) for "Extract..." of the context menu.
  fl->setSelectionMode(QAbstractItemView::ExtendedSelection);
  // Tab moves on to the next control instead of from cell to cell.
  fl->setTabKeyNavigation(false);
  fl->setToolTip(QString::fromLatin1(kGridHint));
  fl->setContextMenuPolicy(Qt::CustomContextMenu);
  fl->viewport()->installEventFilter(this);
  fl->installEventFilter(this);
  Splitter1->addWidget(fl);

  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setStretchFactor(2, 1);
  Splitter1->setSizes({Scaled(192), Scaled(145), Scaled(812 - 192 - 145)});

  // The context menus' "Extract...": the selected rows, or the node's directory.
  GridMenu = Menu(this, "GridMenu");
  QAction* extractRows = GridMenu->addAction(QStringLiteral("Extract..."));
  extractRows->setObjectName(QStringLiteral("ExtractRows"));
  connect(extractRows, &QAction::triggered, this, [this] { ExtractSelectionClick(); });
  connect(fl, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (fl->indexAt(at).isValid()) GridMenu->popup(fl->viewport()->mapToGlobal(at));
  });
  TreeMenu = Menu(this, "TreeMenu");
  QAction* extractNode = TreeMenu->addAction(QStringLiteral("Extract..."));
  extractNode->setObjectName(QStringLiteral("ExtractNode"));
  connect(extractNode, &QAction::triggered, this, [this] { ExtractNodeClick(); });
  AddCheckSessionAction();
  connect(tvDir, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (tvDir->itemAt(at) != nullptr) TreeMenu->popup(tvDir->viewport()->mapToGlobal(at));
  });
  CreateDeletedAction();
  CreateNamesMenu();

  // F1: the About text.
  QAction* about = Child<QAction>(this, "About");
  about->setText(QStringLiteral("About Tarnwick..."));
  about->setShortcut(QKeySequence(Qt::Key_F1));
  addAction(about);
  connect(about, &QAction::triggered, this, [this] { dialogs_->ShowMessage(this, QString::fromStdString(AboutText())); });

  // Bottom strip: "Close".
  Panel2 = Child<QFrame>(client, "Panel2");
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel2->setFixedHeight(Scaled(22));
  Panel2->installEventFilter(this);
  column->addWidget(Panel2);
  bClose = Child<QPushButton>(Panel2, "bClose", QStringLiteral("Close"));
  bClose->setGeometry(Scaled(1), Scaled(1), Scaled(121), Scaled(21));
  connect(bClose, &QPushButton::clicked, this, [this] { bCloseClick(); });
  bOpenImage = Child<QPushButton>(Panel2, "bOpenImage", QStringLiteral("Open image..."));
  bOpenImage->setGeometry(Scaled(124), Scaled(1), Scaled(121), Scaled(21));
  connect(bOpenImage, &QPushButton::clicked, this, [this] { OpenImageClick(); });
  // What the last extraction wrote, and where.
  lHint = Label(Panel2, "lHint", QString());
  lHint->setGeometry(Scaled(252), Scaled(1), Scaled(812 - 256), Scaled(21));
  setAcceptDrops(true);
  PlaceOnScreen();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && (watched == Panel3 || watched == Panel2)) {
    PlaceStrips();
  } else if (event->type() == QEvent::MouseButtonDblClick) {
    if (watched == lb->viewport()) {
      lbDblClick();
    } else if (watched == fl->viewport()) {
      // Below the last row nothing is hit, and nothing is extracted.
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (fl->indexAt(mouse->position().toPoint()).isValid()) Extract1Click();
    }
  } else if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == lb) {
        lbDblClick();
        return true;
      }
      if (watched == fl) {
        Extract1Click();
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace tarnwick::app

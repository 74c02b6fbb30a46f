#include "AppTestKit.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "transport/Transport.h"
#include "vdrive/VirtualDrive.h"

namespace tarnwick::test {

namespace {

using namespace platform;

class AddressedDisc : public IScsiTarget {
 public:
  AddressedDisc(std::shared_ptr<IScsiTarget> disc, std::uint8_t failTocTrack)
      : disc_(std::move(disc)), failTocTrack_(failTocTrack) {}

  ScsiResult Execute(const ScsiRequest& request) override {
    const std::uint8_t* cdb = request.cdb;
    const bool tocOfTrack = cdb[0] == 0x43 && (cdb[2] & 0x0F) == 0 && cdb[6] == failTocTrack_;
    const bool infoOfTrack = cdb[0] == 0x52 && cdb[5] == failTocTrack_;
    if (failTocTrack_ != 0 && request.cdbLength >= 10 && (tocOfTrack || infoOfTrack)) {
      ScsiResult result;
      result.callOk = true;
      result.status = 2;
      result.senseLength = 18;
      result.sense[0] = 0x70;
      result.sense[2] = 0x05;
      result.sense[7] = 10;
      result.sense[12] = 0x24;
      return result;
    }
    return disc_->Execute(request);
  }
  bool GetAddress(SCSI_ADDRESS& address) override {
    address = address_;
    return true;
  }
  std::string Describe() const override { return disc_->Describe(); }

  SCSI_ADDRESS address_{sizeof(SCSI_ADDRESS), 0, 0, 0, 0};

 private:
  std::shared_ptr<IScsiTarget> disc_;
  std::uint8_t failTocTrack_;
};

template <class Widget>
Widget* Named(const app::TForm1& form, const char* name) {
  auto* widget = form.findChild<Widget*>(QString::fromLatin1(name));
  if (widget == nullptr) throw std::runtime_error(std::string("no control ") + name);
  return widget;
}

void AddPaths(const QTreeWidgetItem* item, const QString& prefix, QStringList& paths) {
  const QString path = prefix.isEmpty() ? item->text(0) : prefix + "/" + item->text(0);
  paths << path;
  for (int i = 0; i < item->childCount(); ++i) AddPaths(item->child(i), path, paths);
}

}  // namespace

std::shared_ptr<IScsiTarget> DiscFile(const std::string& path, std::uint8_t failTocTrack) {
  return std::make_shared<AddressedDisc>(vdrive::OpenVirtualDrive(path), failTocTrack);
}

std::shared_ptr<IScsiTarget> DiscText(const std::string& text) {
  return std::make_shared<AddressedDisc>(
      vdrive::ParseDiscDescription(text, std::string(TARNWICK_SOURCE_DIR) + "/samples", "test.disc"), 0);
}

std::string SamplePath(const std::string& name) { return std::string(TARNWICK_SOURCE_DIR) + "/samples/" + name; }

TestDrives::TestDrives(const std::vector<std::shared_ptr<IScsiTarget>>& discs) {
  ::setenv("TARNWICK_NO_REAL_DRIVES", "1", 1);
  ResetTransportForTesting();
  Current().RemoveVirtualDrives();
  std::uint8_t port = 0;
  for (const auto& disc : discs) {
    if (auto* addressed = dynamic_cast<AddressedDisc*>(disc.get())) addressed->address_.PortNumber = port++;
    const char letter = Current().AddVirtualDrive(disc);
    if (letter == 0) throw std::runtime_error("no drive letter left");
    letters_.push_back(letter);
  }
}

TestDrives::~TestDrives() {
  ResetTransportForTesting();
  Current().RemoveVirtualDrives();
}

Window::Window() : dialogs_(std::make_shared<FakeDialogs>()), form_(std::make_unique<app::TForm1>(dialogs_)) {
  form_->show();
  if (!QTest::qWaitForWindowExposed(form_.get())) throw std::runtime_error("the window was not shown");
}

Window::~Window() = default;

QComboBox* Window::drives() const { return Named<QComboBox>(*form_, "cbDrives"); }
QLabel* Window::label(const char* name) const { return Named<QLabel>(*form_, name); }
QListWidget* Window::sessions() const { return Named<QListWidget>(*form_, "lb"); }
QTreeWidget* Window::tree() const { return Named<QTreeWidget>(*form_, "tvDir"); }
QTableWidget* Window::grid() const { return Named<QTableWidget>(*form_, "fl"); }

void Window::ClickShow() { QTest::mouseClick(Named<QWidget>(*form_, "Button1"), Qt::LeftButton); }

QStringList Window::SessionLines() const {
  QStringList lines;
  for (int i = 0; i < sessions()->count(); ++i) lines << sessions()->item(i)->text();
  return lines;
}

void Window::DoubleClickLine(int index) {
  QListWidget* list = sessions();
  QListWidgetItem* item = list->item(index);
  if (item == nullptr) throw std::runtime_error("no session line " + std::to_string(index));
  list->scrollToItem(item);
  const QPoint at = list->visualItemRect(item).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

void Window::DoubleClickEmptyList() {
  QListWidget* list = sessions();
  const QPoint at(list->viewport()->width() / 2, list->viewport()->height() - 3);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

QStringList Window::TreePaths() const {
  QStringList paths;
  for (int i = 0; i < tree()->topLevelItemCount(); ++i) AddPaths(tree()->topLevelItem(i), QString(), paths);
  return paths;
}

QTreeWidgetItem* Window::Node(const QString& path) const {
  const QStringList parts = path.split('/');
  QTreeWidgetItem* node = nullptr;
  for (int i = 0; i < tree()->topLevelItemCount() && node == nullptr; ++i)
    if (tree()->topLevelItem(i)->text(0) == parts.front()) node = tree()->topLevelItem(i);
  for (int p = 1; p < parts.size() && node != nullptr; ++p) {
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < node->childCount() && next == nullptr; ++i)
      if (node->child(i)->text(0) == parts[p]) next = node->child(i);
    node = next;
  }
  return node;
}

void Window::ClickNode(const QString& path) {
  QTreeWidgetItem* node = Node(path);
  if (node == nullptr) throw std::runtime_error("no tree node " + path.toStdString());
  for (QTreeWidgetItem* up = node->parent(); up != nullptr; up = up->parent()) up->setExpanded(true);
  tree()->scrollToItem(node);
  QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualItemRect(node).center());
}

std::vector<std::pair<QString, QString>> Window::GridRows() const {
  std::vector<std::pair<QString, QString>> rows;
  QTableWidget* table = grid();
  for (int r = 0; r < table->rowCount(); ++r) {
    const QTableWidgetItem* name = table->item(r, 0);
    const QTableWidgetItem* size = table->item(r, 1);
    rows.emplace_back(name ? name->text() : QString(), size ? size->text() : QString());
  }
  return rows;
}

int Window::RowOf(const QString& name) const {
  const auto rows = GridRows();
  for (std::size_t r = 0; r < rows.size(); ++r)
    if (rows[r].first.endsWith(" " + name)) return static_cast<int>(r);
  return -1;
}

const TFEntry* Window::EntryOfRow(int row) const {
  const QTableWidgetItem* cell = grid()->item(row, 1);
  return cell ? reinterpret_cast<const TFEntry*>(cell->data(app::kEntryRole).value<quintptr>()) : nullptr;
}

void Window::DoubleClickRow(int row) {
  QTableWidget* table = grid();
  const QModelIndex index = table->model()->index(row, 0);
  table->scrollTo(index);
  const QPoint at = table->visualRect(index).center();
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
}

void Window::Import(int index, const QString& path) {
  ClickShow();
  DoubleClickLine(index);
  if (path != QStringLiteral("CD")) ClickNode(path);
}

std::vector<char> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<char> GeneratedBytes(std::size_t count, std::uint32_t seed) {
  std::vector<char> bytes;
  std::uint64_t x = seed;
  for (std::size_t i = 0; i < count; ++i) {
    x = (x * 1103515245u + 12345u) % 2147483648u;
    bytes.push_back(static_cast<char>((x >> 16) & 0xFF));
  }
  return bytes;
}

}  // namespace tarnwick::test

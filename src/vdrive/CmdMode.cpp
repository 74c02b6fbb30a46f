// MODE SENSE(10) and MODE SELECT(10): the capabilities page 2Ah, the write parameters
// page 05h (which MODE SELECT changes) and whatever other pages the drive was given.
#include "platform/ByteOrder.h"
#include "vdrive/Commands.h"

namespace tarnwick::vdrive {

namespace {

constexpr std::uint8_t kWriteParametersPage = 0x05;
constexpr std::uint8_t kAllPages = 0x3F;
constexpr std::size_t kHeaderLength = 8;

enum class PageControl { Current = 0, Changeable = 1, Default = 2, Saved = 3 };

std::vector<std::uint8_t> PageFor(const DriveState& state, std::uint8_t code, const std::vector<std::uint8_t>& stored,
                                  PageControl control) {
  if (control == PageControl::Current && code == kWriteParametersPage) return state.writeParameters;
  if (control != PageControl::Changeable) return stored;
  // Changeable values: every field of the write parameters page, nothing elsewhere.
  std::vector<std::uint8_t> mask(stored.size(), code == kWriteParametersPage ? 0xFF : 0x00);
  mask[0] = stored[0];
  mask[1] = stored[1];
  return mask;
}

}  // namespace

Reply ModeSense10(DriveState& state, const Command& command) {
  const DriveSettings& drive = state.model.drive;
  const auto control = static_cast<PageControl>(command.cdb[2] >> 6);
  const std::uint8_t code = command.cdb[2] & 0x3F;
  if (control == PageControl::Saved) return Fail(sense::kSavingNotSupported);
  if (control == PageControl::Default && drive.quirks.rejectDefaultPages) return Fail(sense::kInvalidField);

  std::vector<std::uint8_t> out(kHeaderLength, 0);
  bool found = false;
  for (const auto& [pageCode, stored] : drive.pages) {
    if (code != kAllPages && pageCode != code) continue;
    const std::vector<std::uint8_t> page = PageFor(state, pageCode, stored, control);
    out.insert(out.end(), page.begin(), page.end());
    found = true;
  }
  if (!found) return Fail(sense::kInvalidField);
  PutBE16(&out[0], static_cast<std::uint32_t>(out.size() - 2));
  return Answer(std::move(out), GetBE16(&command.cdb[7]));
}

Reply ModeSelect10(DriveState& state, const Command& command) {
  const DriveSettings& drive = state.model.drive;
  if ((command.cdb[1] & 0x10) == 0) return Fail(sense::kInvalidField);  // page format required
  if ((command.cdb[1] & 0x01) != 0) return Fail(sense::kInvalidField);  // pages cannot be saved
  const std::uint32_t length = GetBE16(&command.cdb[7]);
  if (length == 0) return Good();
  const platform::ScsiRequest& request = command.request;
  if (request.data == nullptr || request.dataLength < length || length < kHeaderLength)
    return Fail(sense::kInvalidParameter);
  const std::uint8_t* list = request.data;

  std::vector<std::uint8_t> newPage;
  std::size_t pos = kHeaderLength + GetBE16(&list[6]);  // skip block descriptors
  if (pos > length) return Fail(sense::kInvalidParameter);
  while (pos < length) {
    if (pos + 2 > length) return Fail(sense::kInvalidParameter);
    const std::uint8_t code = list[pos] & 0x3F;
    const std::size_t pageLength = std::size_t{list[pos + 1]} + 2;
    if (pos + pageLength > length) return Fail(sense::kInvalidParameter);
    if (code != kWriteParametersPage || drive.pages.count(kWriteParametersPage) == 0 ||
        pageLength != state.writeParameters.size())
      return Fail(sense::kInvalidParameter);
    const std::uint8_t writeType = list[pos + 2] & 0x0F;
    if (writeType > 3 || (drive.writeTypes & (1u << writeType)) == 0) return Fail(sense::kInvalidParameter);
    newPage.assign(list + pos, list + pos + pageLength);
    newPage[0] = kWriteParametersPage;  // the saveable bit is the drive's to report
    pos += pageLength;
  }
  if (!newPage.empty()) state.writeParameters = std::move(newPage);
  return Good();
}

}  // namespace tarnwick::vdrive

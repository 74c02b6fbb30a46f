#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "iso/Format.h"
#include "iso/IsoFormat.h"
#include "iso/PosixTree.h"
#include "iso/QuarnBurner.h"
#include "platform/ByteOrder.h"
#include "platform/Text.h"
#include "udf/UdfImport.h"

namespace tarnwick {
namespace {

constexpr std::uint32_t kFirstDescriptor = 16;
constexpr std::uint32_t kDescriptorSectors = 21;

constexpr std::uint8_t kLeadOutTrack = 0xAA;
constexpr std::uint64_t kNoEnd = std::uint64_t{UINT32_MAX} + 1;

bool IsStandardIdentifier(const iso::VolumeDescriptor& vd) { return std::memcmp(vd.Identifier, "CD001", 5) == 0; }

// A supplementary descriptor holds Joliet names only when its escape sequences name
// one of the three UCS-2 levels; any other (an enhanced descriptor, say) holds
// 8-bit names and is not read as Joliet.
bool HasJolietEscape(const iso::VolumeDescriptor& vd) {
  const std::uint8_t* e = vd.EscapeSequences;
  for (std::size_t i = 0; i + 2 < sizeof vd.EscapeSequences; ++i)
    if (e[i] == '%' && e[i + 1] == '/' && (e[i + 2] == '@' || e[i + 2] == 'C' || e[i + 2] == 'E')) return true;
  return false;
}

// Hands each standard volume descriptor of the session, from sector 16 up to its
// terminator, to `take(vd, read, lba)` after reading it into `sector` (`read`: whether
// the read succeeded; a failed one may still have left data); stops at the first for
// which `take` says true, and says whether one did.
template <class Take>
bool ScanDescriptors(TSCSIDevice& drive, std::uint32_t firstSector, std::uint8_t* sector, Take take) {
  for (std::uint32_t i = 0; i < kDescriptorSectors; ++i) {
    const std::uint32_t lba = firstSector + kFirstDescriptor + i;
    std::fill_n(sector, iso::kSectorSize, std::uint8_t{0});
    const bool read = drive.ReadSectors(lba, 1, iso::kSectorSize, sector);
    iso::VolumeDescriptor vd;
    std::memcpy(&vd, sector, sizeof vd);
    if (!IsStandardIdentifier(vd)) continue;
    if (vd.Type == iso::kTerminator) return false;
    if (take(vd, read, lba)) return true;
  }
  return false;
}

}  // namespace

const char* TreeKindName(TTreeKind kind) {
  switch (kind) {
    case TTreeKind::Joliet: return "joliet";
    case TTreeKind::RockRidge: return "rockridge";
    case TTreeKind::Enhanced: return "iso9660:1999";
    case TTreeKind::Iso: return "iso9660";
    case TTreeKind::Udf: return "udf";
    case TTreeKind::None: break;
  }
  return "none";
}

bool TQuarnBurner::FindDescriptor(std::uint32_t firstSector, TTreeKind kind, TDEntry* target) {
  const std::uint64_t discEnd = sessionEnd_;
  bool found = false;
  ScanDescriptors(*this, firstSector, VolumeDescriptor.data(), [&](const iso::VolumeDescriptor& vd, bool read,
                                                                   std::uint32_t lba) {
    switch (kind) {
      case TTreeKind::Joliet:
        if (!read || vd.Type != iso::kSupplementaryDescriptor || !HasJolietEscape(vd)) return false;
        break;
      case TTreeKind::Enhanced:
        if (!read || !iso::IsEnhancedDescriptor(vd)) return false;
        break;
      case TTreeKind::RockRidge:
      case TTreeKind::Iso:
        if (vd.Type != iso::kPrimaryDescriptor) return false;
        break;
      case TTreeKind::None:
      case TTreeKind::Udf:
        return true;
    }

    // The session ends at its volume space size, counted from the disc's first block,
    // unless the root lies past it (a size counted otherwise): then the disc's end
    // alone bounds it.
    const std::uint32_t root = vd.RootRecord.ExtentLba();
    const std::uint32_t volumeSpace = GetLE32(vd.VolumeSpaceSize);
    sessionEnd_ = root < volumeSpace ? std::min<std::uint64_t>(discEnd, volumeSpace) : discEnd;
    std::unique_ptr<TPosixTree> posix;
    if (kind == TTreeKind::RockRidge) {
      // A primary tree without POSIX entries is not this kind of tree.
      posix = FindPosixEntries(root, static_cast<std::uint32_t>(std::min<std::uint64_t>(sessionEnd_, UINT32_MAX)));
      if (!posix) {
        sessionEnd_ = discEnd;
        return true;
      }
    }
    RememberDescriptor(lba);
    importedTree_ = kind;
    const bool rootRead = WalkRoot(kind, root, vd.RootRecord.Size(), target, std::move(posix));
    sessionEnd_ = discEnd;
    found = rootRead || kind != TTreeKind::Joliet;
    if (found) return true;
    // Without its root the Joliet tree holds nothing; the primary tree of the same
    // session names the same files.
    importedTree_ = TTreeKind::None;
    problems_.Add({TProblemKind::Fallback, DisplayPath(target), root,
                   "the Joliet tree's root cannot be read; the primary tree's names are shown instead"});
    return true;
  });
  return found;
}

void TQuarnBurner::RememberDescriptor(std::uint32_t lba) {
  importedDescriptorLba_ = lba;
  importedDescriptor_.assign(VolumeDescriptor.begin(), VolumeDescriptor.end());
}

bool TQuarnBurner::SameDiscAsImported() {
  if (importedDescriptor_.empty()) return true;
  std::vector<std::uint8_t> now(iso::kSectorSize, 0);
  return ReadSectors(importedDescriptorLba_, 1, iso::kSectorSize, now.data()) && now == importedDescriptor_;
}

void TQuarnBurner::BeginExtractBatch() {
  inBatch_ = true;
  batchChecked_ = false;
}

void TQuarnBurner::EndExtractBatch() { inBatch_ = false; }

bool TQuarnBurner::DiscCheckPasses() {
  if (inBatch_ && batchChecked_ && batchMediumEvents_ == MediumEvents()) return true;
  const bool same = SameDiscAsImported();
  batchChecked_ = inBatch_ && same;
  batchMediumEvents_ = MediumEvents();
  return same;
}

bool TQuarnBurner::ImportSession(std::uint8_t session, TDEntry* target) {
  if (!target) target = Root();
  const std::uint8_t last = GetLastSession();
  if (last == 0) return false;
  // Session numbers are unsigned: every number above the last session (255 among
  // them) means the last one.
  if (session == 255 || session > last) session = last;
  if (session == 0) return false;
  importedTree_ = TTreeKind::None;
  importedGenerations_ = 1;
  DebugMessage(">>> " + Format("IMPORTING SESSION # %d", session), 1);

  VolumeDescriptor.fill(0);
  // A session need not start at the track of its number (audio tracks may come
  // before the data), so ask for the session's own first track.
  const std::uint8_t track = FirstTrackOfSession(session);
  const std::optional<std::uint32_t> firstSector = TrackStartLba(track);
  if (!firstSector) {
    DebugMessage(">>> " + std::string("ERROR IMPORTING SESSION") + " # " + std::to_string(session), 4);
    return false;
  }
  // Directory data is never read past the end of the disc's last track.
  const std::optional<std::uint32_t> leadOut = TrackStartLba(kLeadOutTrack);
  sessionEnd_ = leadOut && *leadOut > *firstSector ? *leadOut : kNoEnd;

  const TNamePreference names = Names;
  const bool any = names == TNamePreference::Auto;
  const TreeMark mark = MarkTree(target);
  const bool isoFound =
      any ? FindAutoTree(*firstSector, target)
          : (names == TNamePreference::Joliet && FindDescriptor(*firstSector, TTreeKind::Joliet, target)) ||
                (names == TNamePreference::RockRidge && FindDescriptor(*firstSector, TTreeKind::RockRidge, target)) ||
                (names == TNamePreference::Iso && FindDescriptor(*firstSector, TTreeKind::Iso, target));
  sessionEnd_ = kNoEnd;
  if ((any || names == TNamePreference::Udf) && ImportUdfTree(session, *firstSector, target, isoFound, mark)) return true;
  if (isoFound) return true;
  if (names == TNamePreference::Joliet || names == TNamePreference::RockRidge || names == TNamePreference::Udf) {
    DebugMessage(">>> " + Format("ERROR IMPORTING SESSION %d (NO %s NAMES)", session,
                                 names == TNamePreference::Joliet     ? "JOLIET"
                                 : names == TNamePreference::RockRidge ? "ROCK RIDGE"
                                                                      : "UDF"),
                 4);
    return false;
  }
  DebugMessage(">>> " + Format("ERROR IMPORTING SESSION %d (ISO IMAGE NOT FOUND)", session), 4);
  return false;
}

bool TQuarnBurner::FindAutoTree(std::uint32_t firstSector, TDEntry* target) {
  // The POSIX names come first: they are the names the files were written with,
  // whole, with their links and modes, where Joliet cuts names at 64 characters and
  // knows no links. Names in some other encoding than UTF-8 would be shown garbled;
  // the Joliet tree, when the session has one, names the same files in UCS-2.
  const TreeMark mark = MarkTree(target);
  if (FindDescriptor(firstSector, TTreeKind::RockRidge, target)) {
    // With no Joliet tree to turn to, the POSIX names as recorded: the tree just read
    // stands.
    if (AddedNamesAreUtf8(mark) || !HasJolietDescriptor(firstSector)) return true;
    RollBackTree(mark, target);
    if (FindDescriptor(firstSector, TTreeKind::Joliet, target)) return true;
    // The Joliet tree's root cannot be read: the POSIX names as recorded after all.
    RollBackTree(mark, target);
    return FindDescriptor(firstSector, TTreeKind::RockRidge, target);
  }
  return FindDescriptor(firstSector, TTreeKind::Joliet, target) ||
         FindDescriptor(firstSector, TTreeKind::Enhanced, target) ||
         FindDescriptor(firstSector, TTreeKind::Iso, target);
}

bool TQuarnBurner::HasJolietDescriptor(std::uint32_t firstSector) {
  // The descriptors FindDescriptor would take for a Joliet tree, read into a buffer of
  // their own so that the descriptor of the tree already read stays where it is.
  std::array<std::uint8_t, iso::kSectorSize> sector{};
  return ScanDescriptors(*this, firstSector, sector.data(), [](const iso::VolumeDescriptor& vd, bool read, std::uint32_t) {
    return read && vd.Type == iso::kSupplementaryDescriptor && HasJolietEscape(vd);
  });
}

bool TQuarnBurner::AddedNamesAreUtf8(const TreeMark& mark) const {
  for (std::size_t i = mark.files; i < files_.size(); ++i)
    if (!platform::IsValidUtf8(files_[i]->LongName)) return false;
  return true;
}

bool TQuarnBurner::ImportUdfTree(std::uint8_t session, std::uint32_t firstSector, TDEntry* target, bool isoFound,
                                 const TreeMark& mark) {
  // Beside an ISO 9660 volume, a UDF one is looked for only when the recognition
  // sequence names it, so that a plain ISO 9660 disc costs a read or two more at most.
  if (isoFound && !udf::HasUdfRecognition(*this, firstSector)) return false;
  const std::optional<udf::TSessionSpan> span = udf::SessionSpan(*this, session);
  if (!span) return false;
  udf::TUdfRequest request;
  request.span = *span;
  request.generation = Generation;
  if (isoFound) {
    // The ISO 9660 tree stands unless the UDF tree holds more (an ISO 9660 side that
    // is only a stub beside the files).
    const udf::TUdfResult count = udf::CountUdfEntries(*this, request);
    if (!count.read || count.entries <= files_.size() - mark.files) return false;
    RollBackTree(mark, target);
  }
  const udf::TUdfResult result = udf::ImportUdf(*this, request, target);
  if (!result.present) return false;
  importedTree_ = TTreeKind::Udf;
  importedGenerations_ = result.generations;
  if (result.read) {
    VolumeDescriptor.fill(0);
    if (ReadSectors(static_cast<std::uint32_t>(result.anchor), 1, iso::kSectorSize, VolumeDescriptor.data()))
      RememberDescriptor(static_cast<std::uint32_t>(result.anchor));
  }
  return result.read;
}

}  // namespace tarnwick

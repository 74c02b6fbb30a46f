#include "support/DiscImages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/LocalPath.h"
#include "support/CdSector.h"
#include "vdrive/DescriptionParser.h"
#include "vdrive/RawSector.h"
#include "vdrive/images/AlcoholLayout.h"
#include "vdrive/images/NeroLayout.h"

namespace tarnwick::test {

namespace fs = std::filesystem;
using vdrive::DiscModel;
using vdrive::Track;

namespace {

constexpr std::uint32_t kRaw = vdrive::kRawSectorSize;

DiscModel LoadDescription(const fs::path& description) {
  std::ifstream in(description, std::ios::binary);
  if (!in) throw std::runtime_error(description.string() + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  const std::string base = description.parent_path().empty() ? "." : description.parent_path().string();
  return vdrive::ParseDescription(text.str(), base, description.string());
}

// The track's blocks as raw sectors (audio tracks as silence).
std::vector<std::uint8_t> RawTrack(const Track& t) {
  std::vector<std::uint8_t> out(std::size_t{t.length} * kRaw, 0);
  std::vector<std::uint8_t> user(vdrive::kBlockSize, 0);
  for (std::uint32_t i = 0; i < t.length; ++i) {
    if (t.audio) continue;
    if (t.file && !t.file->Read(t.offset + std::uint64_t{i} * vdrive::kBlockSize, user.data(), user.size()))
      throw std::runtime_error(t.file->path() + ": too short for track " + std::to_string(t.number));
    MakeMode1Sector(t.start + i, user.data(), out.data() + std::size_t{i} * kRaw);
  }
  return out;
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error(path.string() + ": cannot be written");
}

void WriteText(const fs::path& path, const std::string& text) {
  WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

template <typename T>
void Append(std::vector<std::uint8_t>& out, const T& record) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&record);
  out.insert(out.end(), p, p + sizeof record);
}

std::string Msf(std::uint32_t blocks) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", blocks / 4500, blocks / 75 % 60, blocks % 75);
  return text;
}

std::string Two(int n) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

// Checks that the sessions lie where the usual gaps put them, as CUE and cdrdao sheets assume.
void RequireUsualGaps(const DiscModel& m) {
  std::uint32_t end = 0;
  for (std::size_t i = 0; i < m.tracks.size(); ++i) {
    const Track& t = m.tracks[i];
    const std::uint32_t expected = i == 0 ? 0 : t.session != m.tracks[i - 1].session ? end + (t.session == 2 ? 11400u : 6900u) : end;
    if (t.start != expected) throw std::runtime_error("track " + std::to_string(t.number) + " does not lie where a sheet would put it");
    end = t.end();
  }
}

// The track's blocks as 2048 bytes of user data each.
std::vector<std::uint8_t> UserTrack(const Track& t) {
  std::vector<std::uint8_t> out(std::size_t{t.length} * vdrive::kBlockSize, 0);
  if (t.file && !t.audio && !t.file->Read(t.offset, out.data(), out.size()))
    throw std::runtime_error(t.file->path() + ": too short for track " + std::to_string(t.number));
  return out;
}

// Raw sectors with 96 bytes of subchannel data behind each. The bytes are not zero,
// so a reader that takes them for part of the next sector fails its header check.
std::vector<std::uint8_t> WithSubchannel(const std::vector<std::uint8_t>& raw) {
  std::vector<std::uint8_t> out;
  out.reserve(raw.size() / kRaw * (kRaw + vdrive::kSubchannelSize));
  for (std::size_t at = 0; at < raw.size(); at += kRaw) {
    out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + kRaw));
    out.insert(out.end(), vdrive::kSubchannelSize, 0xA5);
  }
  return out;
}

enum class Sectors { User, Raw, RawWithSubchannel };

std::uint32_t SectorBytes(Sectors kind) {
  return kind == Sectors::User ? vdrive::kBlockSize : kind == Sectors::Raw ? kRaw : kRaw + vdrive::kSubchannelSize;
}

// All tracks' sectors one after another, and where each track begins (bytes).
std::vector<std::uint8_t> AllTracks(const DiscModel& m, std::vector<std::uint64_t>& offsets, Sectors kind = Sectors::Raw) {
  std::vector<std::uint8_t> data;
  for (const Track& t : m.tracks) {
    offsets.push_back(data.size());
    const std::vector<std::uint8_t> sectors = kind == Sectors::User                ? UserTrack(t)
                                              : kind == Sectors::RawWithSubchannel ? WithSubchannel(RawTrack(t))
                                                                                   : RawTrack(t);
    data.insert(data.end(), sectors.begin(), sectors.end());
  }
  return data;
}

fs::path WriteCue(const DiscModel& m, const fs::path& dir, const std::string& stem, bool filePerSession) {
  RequireUsualGaps(m);
  std::ostringstream cue;
  cue << "REM written by the Tarnwick test tool\n";
  std::vector<std::uint8_t> data;
  std::uint64_t position = 0;  // sectors into the current file
  int session = 0;
  for (const Track& t : m.tracks) {
    if (t.session != session) {
      if (filePerSession && session != 0) {
        WriteFile(dir / platform::LocalPath(stem + "-" + std::to_string(session) + ".BIN"), data);
        data.clear();
        position = 0;
      }
      session = t.session;
      if (!filePerSession && session == 1) cue << "FILE \"" << stem << ".bin\" BINARY\n";
      cue << "REM SESSION " << Two(session) << "\n";
      if (filePerSession) cue << "FILE \"" << stem << "-" << session << ".bin\" BINARY\n";
    }
    cue << "  TRACK " << Two(t.number) << (t.audio ? " AUDIO\n" : " MODE1/2352\n");
    cue << "    INDEX 01 " << Msf(static_cast<std::uint32_t>(position)) << "\n";
    const std::vector<std::uint8_t> raw = RawTrack(t);
    data.insert(data.end(), raw.begin(), raw.end());
    position += t.length;
  }
  WriteFile(dir / platform::LocalPath(filePerSession ? stem + "-" + std::to_string(session) + ".BIN" : stem + ".bin"), data);
  const fs::path sheet = dir / platform::LocalPath(stem + ".cue");
  WriteText(sheet, cue.str());
  return sheet;
}

fs::path WriteToc(const DiscModel& m, const fs::path& dir, const std::string& stem) {
  RequireUsualGaps(m);
  std::ostringstream toc;
  toc << "CD_ROM\n";
  std::vector<std::uint64_t> offsets;
  WriteFile(dir / platform::LocalPath(stem + ".bin"), AllTracks(m, offsets));
  int session = 0;
  for (std::size_t i = 0; i < m.tracks.size(); ++i) {
    const Track& t = m.tracks[i];
    if (t.session != session) toc << "\n// SESSION " << (session = t.session) << "\n";
    toc << "TRACK " << (t.audio ? "AUDIO" : "MODE1_RAW") << "\nNO COPY\n";
    // An audio FILE takes a start inside the data after the offset before its length; a
    // DATAFILE takes the length alone.
    toc << (t.audio ? "FILE" : "DATAFILE") << " \"" << stem << ".bin\" #" << offsets[i] << (t.audio ? " 0 " : " ")
        << Msf(t.length)
        << " // length in bytes: " << std::uint64_t{t.length} * kRaw << "\n";
  }
  const fs::path sheet = dir / platform::LocalPath(stem + ".toc");
  WriteText(sheet, toc.str());
  return sheet;
}

// One [Entry] of the lead-in: A-time `alba` (negative: 00:00:00) and P-time.
void CcdEntry(std::ostringstream& ccd, int& entry, int session, int point, int adr, int control, std::int64_t alba,
              int pmin, int psec, int pframe) {
  const vdrive::Msf a = alba < 0 ? vdrive::Msf{} : vdrive::LbaToMsf(static_cast<std::uint32_t>(alba));
  const long plba = (pmin * 60L + psec) * 75L + pframe - 150L;
  ccd << "[Entry " << entry++ << "]\nSession=" << session << "\nPoint=0x" << std::hex << point << std::dec
      << "\nADR=0x" << Two(adr) << "\nControl=0x" << Two(control) << "\nTrackNo=0\nAMin=" << int{a.m}
      << "\nASec=" << int{a.s} << "\nAFrame=" << int{a.f} << "\nALBA=" << (alba < 0 ? -150L : static_cast<long>(alba))
      << "\nZero=0\nPMin=" << pmin << "\nPSec=" << psec << "\nPFrame=" << pframe << "\nPLBA=" << plba << "\n";
}

fs::path WriteCloneCd(const DiscModel& m, const fs::path& dir, const std::string& stem) {
  std::vector<std::uint64_t> offsets;
  WriteFile(dir / platform::LocalPath(stem + ".img"), AllTracks(m, offsets));
  WriteFile(dir / platform::LocalPath(stem + ".sub"), {});
  std::ostringstream entries;
  int entry = 0;
  for (int s = 1; s <= m.sessions; ++s) {
    const Track& first = *m.FirstTrackOfSession(s);
    const Track& last = *m.LastTrackOfSession(s);
    const int control = first.audio ? 0 : 4;
    CcdEntry(entries, entry, s, 0xA0, 1, control, -1, first.number, 0, 0);
    CcdEntry(entries, entry, s, 0xA1, 1, control, -1, last.number, 0, 0);
    const vdrive::Msf out = vdrive::LbaToMsf(last.end());
    CcdEntry(entries, entry, s, 0xA2, 1, control, -1, out.m, out.s, out.f);
    if (s < m.sessions || m.Appendable()) {
      const std::uint32_t next = s < m.sessions ? m.FirstTrackOfSession(s + 1)->start : m.NextWritable();
      const vdrive::Msf max = vdrive::LbaToMsf(m.medium.capacity);
      CcdEntry(entries, entry, s, 0xB0, 5, 0, next, max.m, max.s, max.f);
    }
    for (const Track& t : m.tracks) {
      if (t.session != s) continue;
      const vdrive::Msf p = vdrive::LbaToMsf(t.start);
      CcdEntry(entries, entry, s, t.number, 1, t.audio ? 0 : 4, -1, p.m, p.s, p.f);
    }
  }
  std::ostringstream ccd;
  ccd << "[CloneCD]\nVersion=3\n[Disc]\nTocEntries=" << entry << "\nSessions=" << m.sessions
      << "\nDataTracksScrambled=0\nCDTextLength=0\n";
  for (int s = 1; s <= m.sessions; ++s) ccd << "[Session " << s << "]\nPreGapMode=1\nPreGapSubC=0\n";
  ccd << entries.str();
  for (const Track& t : m.tracks) ccd << "[TRACK " << t.number << "]\nMODE=" << (t.audio ? 0 : 1) << "\nINDEX 1=" << t.start << "\n";
  std::string text = ccd.str();
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  const fs::path sheet = dir / platform::LocalPath(stem + ".ccd");
  WriteText(sheet, crlf);
  return sheet;
}

void Chunk(std::vector<std::uint8_t>& out, const char* id, const std::vector<std::uint8_t>& body) {
  vdrive::images::nero::ChunkHead head{};
  std::memcpy(head.id, id, 4);
  PutBE32(head.size, static_cast<std::uint32_t>(body.size()));
  Append(out, head);
  out.insert(out.end(), body.begin(), body.end());
}

// `wide`: the new layout (NER5 footer, CUEX, DAOX, ETN2), else the old one (NERO,
// CUES, DAOI, ETNF).
fs::path WriteNero(const DiscModel& m, const fs::path& dir, const std::string& stem, Sectors kind, bool wide) {
  namespace nero = vdrive::images::nero;
  // DAO: whole mode 1 sectors (mode 1 with a 2352-byte sector size); track-at-once:
  // the user data alone (mode 1, whose records carry no size).
  std::vector<std::uint64_t> offsets;
  const bool dao = kind != Sectors::User;
  const bool sub = kind == Sectors::RawWithSubchannel;
  std::vector<std::uint8_t> out = AllTracks(m, offsets, kind);
  const std::uint64_t chain = out.size();
  const std::uint8_t mode = sub ? nero::kModeMode1RawSub : nero::kModeMode1;
  const std::uint8_t audioMode = sub ? nero::kModeAudioSub : nero::kModeAudio;
  for (int s = 1; s <= m.sessions; ++s) {
    const Track& first = *m.FirstTrackOfSession(s);
    const Track& last = *m.LastTrackOfSession(s);
    std::uint32_t count = 0;
    if (dao) {
      std::vector<std::uint8_t> cue;
      auto point = [&](std::uint8_t ctl, std::uint8_t track, std::uint8_t index, std::int64_t lba) {
        nero::CueEntry e{};
        e.adrControl = ctl;
        e.track = track;
        e.index = index;
        if (wide) {
          PutBE32(e.position, static_cast<std::uint32_t>(lba));
        } else {
          const vdrive::Msf msf = vdrive::LbaToMsf(static_cast<std::uint32_t>(std::max<std::int64_t>(lba, 0)));
          // BCD, as other readers of the old layout take them.
          e.position[1] = lba < 0 ? 0 : vdrive::ToBcd(msf.m);
          e.position[2] = lba < 0 ? 0 : vdrive::ToBcd(msf.s);
          e.position[3] = lba < 0 ? 0 : vdrive::ToBcd(msf.f);
        }
        Append(cue, e);
      };
      point(first.audio ? 0x01 : 0x41, 0, 0, std::int64_t{first.start} - 150);
      std::vector<std::uint8_t> daox(sizeof(nero::DaoHead), 0);
      for (std::size_t i = 0; i < m.tracks.size(); ++i) {
        const Track& t = m.tracks[i];
        if (t.session != s) continue;
        const std::uint8_t ctl = t.audio ? 0x01 : 0x41;
        point(ctl, vdrive::ToBcd(static_cast<unsigned>(t.number)), 0, t.start);
        point(ctl, vdrive::ToBcd(static_cast<unsigned>(t.number)), 1, t.start);
        nero::DaoTrack track{};
        PutBE16(track.sectorSize, SectorBytes(kind));
        track.mode = t.audio ? audioMode : mode;
        track.unknown[2] = 1;
        Append(daox, track);
        const std::uint64_t where[3] = {offsets[i], offsets[i], offsets[i] + std::uint64_t{t.length} * SectorBytes(kind)};
        for (std::uint64_t w : where) {
          std::uint8_t bytes[8];
          if (wide) PutBE64(bytes, w);
          else PutBE32(bytes, static_cast<std::uint32_t>(w));
          daox.insert(daox.end(), bytes, bytes + (wide ? 8 : 4));
        }
        ++count;
      }
      point(last.audio ? 0x01 : 0x41, 0xAA, 1, last.end());
      auto* head = reinterpret_cast<nero::DaoHead*>(daox.data());
      PutBE32(head->size, static_cast<std::uint32_t>(daox.size()));
      PutBE16(head->tocType, 0x0001);
      head->firstTrack = static_cast<std::uint8_t>(first.number);
      head->lastTrack = static_cast<std::uint8_t>(last.number);
      Chunk(out, wide ? "CUEX" : "CUES", cue);
      Chunk(out, wide ? "DAOX" : "DAOI", daox);
    } else {
      std::vector<std::uint8_t> etnf;
      for (std::size_t i = 0; i < m.tracks.size(); ++i) {
        const Track& t = m.tracks[i];
        if (t.session != s) continue;
        const std::uint64_t bytes = std::uint64_t{t.length} * (t.audio ? kRaw : vdrive::kBlockSize);
        const std::uint32_t trackMode = t.audio ? nero::kModeAudio : mode;
        if (wide) {
          nero::Etn2Track e{};
          PutBE64(e.offset, offsets[i]);
          PutBE64(e.length, bytes);
          PutBE32(e.mode, trackMode);
          PutBE32(e.start, t.start);
          Append(etnf, e);
        } else {
          nero::EtnfTrack e{};
          PutBE32(e.offset, static_cast<std::uint32_t>(offsets[i]));
          PutBE32(e.length, static_cast<std::uint32_t>(bytes));
          PutBE32(e.mode, trackMode);
          PutBE32(e.start, t.start);
          Append(etnf, e);
        }
        ++count;
      }
      Chunk(out, wide ? "ETN2" : "ETNF", etnf);
    }
    std::vector<std::uint8_t> sinf(4);
    PutBE32(sinf.data(), count);
    Chunk(out, "SINF", sinf);
  }
  std::vector<std::uint8_t> mtyp(4);
  PutBE32(mtyp.data(), 1);
  Chunk(out, "MTYP", mtyp);
  Chunk(out, "END!", {});
  std::vector<std::uint8_t> footer(wide ? 12 : 8);
  std::memcpy(footer.data(), wide ? "NER5" : "NERO", 4);
  if (wide) PutBE64(footer.data() + 4, chain);
  else PutBE32(footer.data() + 4, static_cast<std::uint32_t>(chain));
  out.insert(out.end(), footer.begin(), footer.end());
  const fs::path image = dir / platform::LocalPath(stem + ".nrg");
  WriteFile(image, out);
  return image;
}

fs::path WriteAlcohol(const DiscModel& m, const fs::path& dir, const std::string& stem, Sectors kind) {
  namespace mds = vdrive::images::alcohol;
  std::vector<std::uint64_t> offsets;
  WriteFile(dir / platform::LocalPath(stem + ".mdf"), AllTracks(m, offsets, kind));
  const std::size_t sessions = static_cast<std::size_t>(m.sessions);
  // A0h, A1h, A2h in every session; B0h where another session follows or may follow.
  auto hasNext = [&](int s) { return s < m.sessions || m.Appendable(); };
  std::size_t blocks = m.tracks.size() + 3 * sessions;
  for (int s = 1; s <= m.sessions; ++s) blocks += hasNext(s) ? 1 : 0;
  const std::size_t sessionsAt = sizeof(mds::Header);
  const std::size_t blocksAt = sessionsAt + sessions * sizeof(mds::Session);
  const std::size_t extrasAt = blocksAt + blocks * sizeof(mds::TrackBlock);
  const std::size_t nameBlockAt = extrasAt + m.tracks.size() * sizeof(mds::Extra);
  const std::size_t nameAt = nameBlockAt + sizeof(mds::Filename);

  std::vector<std::uint8_t> out;
  mds::Header h{};
  std::memcpy(h.signature, mds::kSignature, 16);
  h.version[0] = 1;
  h.version[1] = 3;
  PutLE16(h.mediumType, m.medium.profile == vdrive::profile::kCdR ? 1 : m.medium.profile == vdrive::profile::kCdRw ? 2 : 0);
  PutLE16(h.sessions, static_cast<std::uint32_t>(sessions));
  PutLE32(h.sessionsOffset, static_cast<std::uint32_t>(sessionsAt));
  Append(out, h);
  std::vector<std::uint8_t> blockBytes, extraBytes;
  std::size_t blockIndex = 0, trackIndex = 0;
  for (int s = 1; s <= m.sessions; ++s) {
    const Track& first = *m.FirstTrackOfSession(s);
    const Track& last = *m.LastTrackOfSession(s);
    mds::Session b{};
    PutLE32(b.start, static_cast<std::uint32_t>(std::int64_t{first.start} - 150));
    PutLE32(b.end, last.end());
    PutLE16(b.number, static_cast<std::uint32_t>(s));
    b.leadInBlocks = static_cast<std::uint8_t>(hasNext(s) ? 4 : 3);
    b.blocks = static_cast<std::uint8_t>(b.leadInBlocks + last.number - first.number + 1);
    PutLE16(b.firstTrack, static_cast<std::uint32_t>(first.number));
    PutLE16(b.lastTrack, static_cast<std::uint32_t>(last.number));
    PutLE32(b.tracksOffset, static_cast<std::uint32_t>(blocksAt + blockIndex * sizeof(mds::TrackBlock)));
    Append(out, b);
    auto leadIn = [&](std::uint8_t point, std::uint8_t pmin, std::uint8_t psec, std::uint8_t pframe) {
      mds::TrackBlock t{};
      t.adrControl = first.audio ? 0x10 : 0x14;
      t.point = point;
      t.pmin = pmin;
      t.psec = psec;
      t.pframe = pframe;
      Append(blockBytes, t);
      ++blockIndex;
    };
    const vdrive::Msf leadOut = vdrive::LbaToMsf(last.end());
    leadIn(0xA0, static_cast<std::uint8_t>(first.number), 0, 0);
    leadIn(0xA1, static_cast<std::uint8_t>(last.number), 0, 0);
    leadIn(0xA2, leadOut.m, leadOut.s, leadOut.f);
    if (hasNext(s)) {
      // As the CloneCD entry: the next writable address, and the medium's last lead-out.
      const vdrive::Msf next =
          vdrive::LbaToMsf(s < m.sessions ? m.FirstTrackOfSession(s + 1)->start : m.NextWritable());
      const vdrive::Msf max = vdrive::LbaToMsf(m.medium.capacity);
      leadIn(0xB0, max.m, max.s, max.f);
      mds::TrackBlock& b0 = *reinterpret_cast<mds::TrackBlock*>(blockBytes.data() + blockBytes.size() - sizeof b0);
      b0.adrControl = 0x50;
      b0.min = next.m;
      b0.sec = next.s;
      b0.frame = next.f;
    }
    for (std::size_t i = 0; i < m.tracks.size(); ++i) {
      const Track& tr = m.tracks[i];
      if (tr.session != s) continue;
      mds::TrackBlock t{};
      t.mode = tr.audio ? 0xA9 : 0xAA;
      t.adrControl = tr.audio ? 0x10 : 0x14;
      t.point = static_cast<std::uint8_t>(tr.number);
      const vdrive::Msf p = vdrive::LbaToMsf(tr.start);
      t.pmin = p.m;
      t.psec = p.s;
      t.pframe = p.f;
      PutLE32(t.extraOffset, static_cast<std::uint32_t>(extrasAt + trackIndex * sizeof(mds::Extra)));
      PutLE16(t.sectorSize, SectorBytes(kind));
      t.subchannel = kind == Sectors::RawWithSubchannel ? 0x08 : 0;
      PutLE32(t.startSector, tr.start);
      PutLE64(t.startOffset, offsets[i]);
      PutLE32(t.filenames, 1);
      PutLE32(t.filenameOffset, static_cast<std::uint32_t>(nameBlockAt));
      Append(blockBytes, t);
      mds::Extra e{};
      PutLE32(e.pregap, tr.start == 0 ? 150 : 0);
      PutLE32(e.length, tr.length);
      Append(extraBytes, e);
      ++blockIndex;
      ++trackIndex;
    }
  }
  out.insert(out.end(), blockBytes.begin(), blockBytes.end());
  out.insert(out.end(), extraBytes.begin(), extraBytes.end());
  mds::Filename f{};
  PutLE32(f.nameOffset, static_cast<std::uint32_t>(nameAt));
  Append(out, f);
  const char name[] = "*.mdf";
  out.insert(out.end(), name, name + sizeof name);
  const fs::path sheet = dir / platform::LocalPath(stem + ".mds");
  WriteFile(sheet, out);
  return sheet;
}

}  // namespace

const char* FormatName(ImageFormat format) {
  switch (format) {
    case ImageFormat::Cue: return "cue";
    case ImageFormat::CueFilePerSession: return "cue-files";
    case ImageFormat::CloneCd: return "clonecd";
    case ImageFormat::NeroDao: return "nero-dao";
    case ImageFormat::NeroDaoOld: return "nero-dao-old";
    case ImageFormat::NeroDaoSub: return "nero-dao-sub";
    case ImageFormat::NeroTao: return "nero-tao";
    case ImageFormat::NeroTaoNew: return "nero-tao-new";
    case ImageFormat::Alcohol: return "alcohol";
    case ImageFormat::AlcoholSub: return "alcohol-sub";
    case ImageFormat::CdrdaoToc: return "cdrdao";
  }
  return "?";
}

fs::path WriteDiscImage(const fs::path& description, ImageFormat format, const fs::path& dir, const std::string& stem) {
  const DiscModel m = LoadDescription(description);
  if (m.tracks.empty()) throw std::runtime_error(description.string() + ": no tracks");
  switch (format) {
    case ImageFormat::Cue: return WriteCue(m, dir, stem, false);
    case ImageFormat::CueFilePerSession: return WriteCue(m, dir, stem, true);
    case ImageFormat::CloneCd: return WriteCloneCd(m, dir, stem);
    case ImageFormat::NeroDao: return WriteNero(m, dir, stem, Sectors::Raw, true);
    case ImageFormat::NeroDaoOld: return WriteNero(m, dir, stem, Sectors::Raw, false);
    case ImageFormat::NeroDaoSub: return WriteNero(m, dir, stem, Sectors::RawWithSubchannel, true);
    case ImageFormat::NeroTao: return WriteNero(m, dir, stem, Sectors::User, false);
    case ImageFormat::NeroTaoNew: return WriteNero(m, dir, stem, Sectors::User, true);
    case ImageFormat::Alcohol: return WriteAlcohol(m, dir, stem, Sectors::Raw);
    case ImageFormat::AlcoholSub: return WriteAlcohol(m, dir, stem, Sectors::RawWithSubchannel);
    case ImageFormat::CdrdaoToc: return WriteToc(m, dir, stem);
  }
  throw std::runtime_error("unknown format");
}

}  // namespace tarnwick::test

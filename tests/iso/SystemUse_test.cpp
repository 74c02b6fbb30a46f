// System-use entries of directory records: reading them through continuation areas
// within bounds, and the POSIX attributes (names, modes, stamps, links, relocation)
// they carry. Inputs are crafted bytes; hostile lengths must end in a reported
// problem, never a read outside the bytes given.
#include <gtest/gtest.h>

#include <map>

#include "iso/Format.h"
#include "iso/IsoFormat.h"
#include "iso/RockRidge.h"
#include "iso/SystemUse.h"
#include "platform/ByteOrder.h"

namespace tarnwick::iso {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Entry(const char* sig, const Bytes& data) {
  Bytes b{static_cast<std::uint8_t>(sig[0]), static_cast<std::uint8_t>(sig[1]),
          static_cast<std::uint8_t>(4 + data.size()), 1};
  b.insert(b.end(), data.begin(), data.end());
  return b;
}
Bytes Both32(std::uint32_t v) {
  Bytes b(8);
  PutBoth32(b.data(), v);
  return b;
}
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes CE(std::uint32_t block, std::uint32_t offset, std::uint32_t length) {
  return Entry("CE", Cat({Both32(block), Both32(offset), Both32(length)}));
}
Bytes NM(std::uint8_t flags, const std::string& name) { return Entry("NM", Cat({{flags}, Text(name)})); }
Bytes PX(std::uint32_t mode) { return Entry("PX", Cat({Both32(mode), Both32(1), Both32(1000), Both32(100)})); }

// A disc of a few sectors for continuation areas; counts its reads.
struct FakeDisc {
  std::map<std::uint32_t, Bytes> sectors;
  int reads = 0;
  void Put(std::uint32_t lba, std::size_t offset, const Bytes& bytes) {
    Bytes& s = sectors[lba];
    s.resize(kSectorSize);
    std::copy(bytes.begin(), bytes.end(), s.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  SectorReader Reader() {
    return [this](std::uint32_t lba, std::uint8_t* out) {
      ++reads;
      auto it = sectors.find(lba);
      if (it == sectors.end()) return false;
      std::copy(it->second.begin(), it->second.end(), out);
      return true;
    };
  }
};

std::string Signatures(const std::vector<SystemUseEntry>& entries) {
  std::string s;
  for (const auto& e : entries) s += std::string(e.Signature, 2) + " ";
  return s;
}

TEST(SystemUse, EntriesAreFollowedThroughBoundedContinuationAreas) {
  struct Case {
    const char* what;
    Bytes field;
    std::function<void(FakeDisc&)> disc;
    std::string entries;
    std::string problem;  // part of the one problem expected; empty: none
  };
  const Case cases[] = {
      {"plain entries, zero fill after them", Cat({PX(0100644), NM(0, "a"), Bytes(5, 0)}), {}, "PX NM ", ""},
      {"ST ends the field, PD is padding", Cat({Entry("PD", {0, 0}), NM(0, "a"), Entry("ST", {}), PX(0)}), {},
       "NM ", ""},
      {"one area", Cat({NM(1, "a"), CE(30, 100, 42)}),
       [](FakeDisc& d) { d.Put(30, 100, Cat({NM(0, "b"), PX(0)})); }, "NM NM PX ", ""},
      {"an area across two sectors, then a chained one", Cat({CE(30, 2040, 41)}),
       [](FakeDisc& d) {
         const Bytes area = Cat({NM(0, "abcdefgh"), CE(33, 0, 6)});
         d.Put(30, 2040, Bytes(area.begin(), area.begin() + 8));
         d.Put(31, 0, Bytes(area.begin() + 8, area.end()));
         d.Put(33, 0, NM(0, "z"));
       },
       "NM NM ", ""},
      {"area past the session", Cat({NM(0, "a"), CE(99, 0, 20)}), {}, "NM ", "outside the session"},
      {"area before the session", Cat({CE(5, 0, 20)}), {}, "", "outside the session"},
      {"area ends past the session", Cat({CE(39, 2000, 100)}), {}, "", "outside the session"},
      {"area that cannot be read", Cat({CE(35, 0, 20)}), {}, "", "cannot be read"},
      {"areas in a loop", Cat({CE(30, 0, 40)}),
       [](FakeDisc& d) {
         d.Put(30, 0, Cat({NM(1, "a"), CE(31, 0, 40)}));
         d.Put(31, 0, Cat({NM(1, "b"), CE(30, 0, 40)}));
       },
       "NM NM ", "loop"},
      {"a chain longer than a record may use", Cat({CE(30, 0, 28)}),
       [](FakeDisc& d) {
         for (std::uint32_t i = 0; i < 60; ++i) d.Put(30, 28 * i, CE(30, 28 * (i + 1), 28));
       },
       "", "exceed"},
      {"an area claiming 4 GiB", Cat({CE(30, 0, 0xFFFFFFFF)}), [](FakeDisc& d) { d.Put(30, 0, {}); }, "",
       "exceed"},
      {"entry longer than its field", Cat({PX(0), Bytes{'N', 'M', 200, 1, 0, 'x'}}), {}, "PX ", "runs past"},
      {"entry shorter than its header", Cat({PX(0), Bytes{'N', 'M', 2, 1, 0, 'x'}}), {}, "PX ", "shorter"},
      {"continuation entry cut short", Cat({Bytes{'C', 'E', 8, 1, 30, 0, 0, 0}, PX(0)}), {}, "PX ", "too short"},
  };
  for (const Case& c : cases) {
    FakeDisc disc;
    if (c.disc) c.disc(disc);
    SystemUseReader reader({20, 40}, disc.Reader());
    std::vector<std::string> problems;
    const auto entries = reader.Read(c.field.data(), c.field.size(), problems);
    EXPECT_EQ(Signatures(entries), c.entries) << c.what;
    if (c.problem.empty()) {
      EXPECT_TRUE(problems.empty()) << c.what << ": " << (problems.empty() ? "" : problems[0]);
    } else {
      ASSERT_EQ(problems.size(), 1u) << c.what;
      EXPECT_NE(problems[0].find(c.problem), std::string::npos) << c.what << ": " << problems[0];
    }
    EXPECT_LE(disc.reads, static_cast<int>(SystemUseReader::MaxAreas)) << c.what;
  }
}

// Records that all name one shared area: what they read together is bounded by the
// session's size (20 sectors here) and one record's allowance, not by their number.
TEST(SystemUse, SharedContinuationAreasAreBoundedByTheSessionsSize) {
  FakeDisc disc;
  Bytes area;
  while (area.size() + 255 <= 4000) area = Cat({area, NM(1, std::string(250, 'n'))});
  disc.Put(30, 0, Bytes(area.begin(), area.begin() + 2048));
  disc.Put(31, 0, Bytes(area.begin() + 2048, area.end()));
  SystemUseReader reader({20, 40}, disc.Reader());
  const Bytes field = CE(30, 0, static_cast<std::uint32_t>(area.size()));
  const std::size_t allowed = (20 * kSectorSize + SystemUseReader::MaxBytes) / area.size();
  for (std::size_t record = 0; record < 1000; ++record) {
    std::vector<std::string> problems;
    const auto entries = reader.Read(field.data(), field.size(), problems);
    ASSERT_EQ(entries.empty(), record >= allowed) << record;
    ASSERT_EQ(problems.size(), record >= allowed ? 1u : 0u) << record;
    if (!problems.empty()) {
      EXPECT_EQ(problems[0], "continuation areas of all records exceed what the session can hold");
    }
  }
}

TEST(SystemUse, FieldPlacementSharingProtocolAndExtensions) {
  // A record named "AB" (even length: one padding byte) with 10 bytes of field.
  Bytes record(sizeof(DirectoryRecord) + 2 + 1 + 10, 0);
  record[0] = static_cast<std::uint8_t>(record.size());
  record[32] = 2;
  EXPECT_EQ(SystemUseField(record.data(), record.size(), 0).Offset, 36u);
  EXPECT_EQ(SystemUseField(record.data(), record.size(), 0).Length, 10u);
  EXPECT_EQ(SystemUseField(record.data(), record.size(), 4).Length, 6u);
  EXPECT_EQ(SystemUseField(record.data(), record.size(), 10).Length, 0u);
  record[32] = 200;  // a name longer than the record leaves no field
  EXPECT_EQ(SystemUseField(record.data(), record.size(), 0).Length, 0u);

  const Bytes sp = Entry("SP", {0xBE, 0xEF, 14});
  EXPECT_EQ(SharingProtocolSkip(sp.data(), sp.size()), 14);
  const Bytes badCheck = Entry("SP", {0xBE, 0xEE, 0});
  EXPECT_FALSE(SharingProtocolSkip(badCheck.data(), badCheck.size()));
  EXPECT_FALSE(SharingProtocolSkip(sp.data(), 6));

  const Bytes field = Cat({Entry("ER", Cat({{10, 3, 0, 1}, Text("RRIP_1991A"), Text("abc")})),
                           Entry("ER", Cat({{50, 0, 0, 1}, Text("SHORT")}))});
  std::vector<std::string> problems;
  SystemUseReader reader({0, 0}, {});
  const auto ids = ExtensionIdentifiers(reader.Read(field.data(), field.size(), problems), problems);
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_TRUE(IsPosixExtensionId(ids[0]));
  ASSERT_EQ(problems.size(), 1u);
}

Bytes Stamp7(int y, int mo, int d, int h, int mi, int s, int quarters) {
  return {static_cast<std::uint8_t>(y - 1900), static_cast<std::uint8_t>(mo), static_cast<std::uint8_t>(d),
          static_cast<std::uint8_t>(h),        static_cast<std::uint8_t>(mi), static_cast<std::uint8_t>(s),
          static_cast<std::uint8_t>(static_cast<std::int8_t>(quarters))};
}
Bytes Stamp17(const std::string& digits, int quarters) {
  Bytes b = Text(digits);
  b.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(quarters)));
  return b;
}
Bytes Component(std::uint8_t flags, const std::string& text) {
  return Cat({{flags, static_cast<std::uint8_t>(text.size())}, Text(text)});
}

// Everything read, as one line.
std::string Describe(const PosixEntry& p) {
  std::string s = p.Present ? "" : "absent ";
  if (p.Name) s += "name=" + *p.Name + " ";
  if (p.NameCurrent) s += "current ";
  if (p.NameParent) s += "parent ";
  if (p.Mode) s += Format("mode=%o links=%u uid=%u gid=%u ", *p.Mode, p.Links, p.User, p.Group);
  for (std::size_t k = 0; k < kStampKinds; ++k) {
    if (!p.Stamps[k]) continue;
    const auto unix = p.Stamps[k]->UnixSeconds();
    s += std::string(StampName(static_cast<StampKind>(k))) + "=" + p.Stamps[k]->Text() + "@" +
         (unix ? std::to_string(*unix) : "none") + " ";
  }
  if (p.Symlink) s += "link=" + p.LinkTarget + " ";
  if (p.ChildLocation) s += "cl=" + std::to_string(*p.ChildLocation) + " ";
  if (p.ParentLocation) s += "pl=" + std::to_string(*p.ParentLocation) + " ";
  if (p.Relocated) s += "re ";
  return s;
}

TEST(SystemUse, PosixAttributesAreReadAndMalformedEntriesSkipped) {
  struct Case {
    const char* what;
    Bytes field;
    std::string expected;
    std::string problem;
  };
  const Case cases[] = {
      {"no entries of ours", Entry("XX", {1, 2}), "absent ", ""},
      {"name in three pieces", Cat({NM(1, "Mixed"), NM(1, "Case "), NM(0, "name.txt")}), "name=MixedCase name.txt ",
       ""},
      {"name of the directory itself", NM(2, ""), "current ", ""},
      {"name of the parent", NM(4, ""), "parent ", ""},
      {"name continued without end", Cat({NM(1, "abc"), PX(0100644)}),
       "name=abc mode=100644 links=1 uid=1000 gid=100 ", "name continues"},
      {"name with a slash", NM(0, "a/b"), "", "no usable name"},
      {"name of dots", NM(0, ".."), "", "no usable name"},
      {"attributes cut short", Entry("PX", Both32(0100644)), "", "too short"},
      {"serial number form", Entry("PX", Cat({Both32(040755), Both32(2), Both32(0), Both32(0), Both32(77)})),
       "mode=40755 links=2 uid=0 gid=0 ", ""},
      {"short stamps: modification and access, UTC+2",
       Entry("TF", Cat({{0x06}, Stamp7(2021, 3, 4, 5, 6, 7, 8), Stamp7(2022, 12, 31, 23, 59, 59, 8)})),
       "modification=2021-03-04T05:06:07+02:00@1614827167 access=2022-12-31T23:59:59+02:00@1672523999 ", ""},
      {"long stamps: creation and modification, UTC-5:30 and unrecorded",
       Entry("TF", Cat({{0x83}, Stamp17("1999123123595900", -22), Stamp17("0000000000000000", 0)})),
       "creation=1999-12-31T23:59:59-05:30@946704599 ", ""},
      {"every stamp", Entry("TF", Cat({{0x7F}, Stamp7(2000, 1, 1, 0, 0, 0, 0), Stamp7(2000, 1, 1, 0, 0, 1, 0),
                                        Stamp7(2000, 1, 1, 0, 0, 2, 0), Stamp7(2000, 1, 1, 0, 0, 3, 0),
                                        Stamp7(2000, 1, 1, 0, 0, 4, 0), Stamp7(2000, 1, 1, 0, 0, 5, 0),
                                        Stamp7(2000, 1, 1, 0, 0, 6, 0)})),
       "creation=2000-01-01T00:00:00+00:00@946684800 modification=2000-01-01T00:00:01+00:00@946684801 "
       "access=2000-01-01T00:00:02+00:00@946684802 attributes=2000-01-01T00:00:03+00:00@946684803 "
       "backup=2000-01-01T00:00:04+00:00@946684804 expiration=2000-01-01T00:00:05+00:00@946684805 "
       "effective=2000-01-01T00:00:06+00:00@946684806 ",
       ""},
      {"stamp that is no date", Entry("TF", Cat({{0x02}, Stamp7(2021, 2, 30, 0, 0, 0, 0)})),
       "modification=2021-02-30T00:00:00+00:00@none ", ""},
      {"stamps longer than their entry", Entry("TF", Cat({{0x86}, Stamp17("2021030405060700", 0)})), "",
       "holds 17 bytes for 2 stamps"},
      {"absolute link", Entry("SL", Cat({{0}, Component(8, ""), Component(0, "usr"), Component(0, "lib")})),
       "link=/usr/lib ", ""},
      {"relative link with dots", Entry("SL", Cat({{0}, Component(4, ""), Component(0, "a"), Component(2, "")})),
       "link=../a/. ", ""},
      {"link continued across entries and inside a component",
       Cat({Entry("SL", Cat({{1}, Component(0, "dir"), Component(1, "long")})),
            Entry("SL", Cat({{0}, Component(0, "name")}))}),
       "link=dir/longname ", ""},
      {"link continued without end", Entry("SL", Cat({{1}, Component(0, "a")})), "link=a ", "continues past"},
      {"link component longer than its entry", Entry("SL", Cat({{0}, Bytes{0, 40}, Text("abc")})), "",
       "longer than its entry"},
      {"relocation entries", Cat({Entry("CL", Both32(123)), Entry("PL", Both32(45)), Entry("RE", {})}),
       "cl=123 pl=45 re ", ""},
      {"child link cut short", Entry("CL", {1, 2}), "", "too short"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> problems;
    SystemUseReader reader({0, 0}, {});
    const auto entries = reader.Read(c.field.data(), c.field.size(), problems);
    ASSERT_TRUE(problems.empty()) << c.what;
    const PosixEntry p = ReadPosixEntries(entries, problems);
    EXPECT_EQ(Describe(p), c.expected) << c.what;
    if (c.problem.empty()) {
      EXPECT_TRUE(problems.empty()) << c.what << ": " << (problems.empty() ? "" : problems[0]);
    } else {
      ASSERT_FALSE(problems.empty()) << c.what;
      EXPECT_NE(problems[0].find(c.problem), std::string::npos) << c.what << ": " << problems[0];
    }
  }
}

}  // namespace
}  // namespace tarnwick::iso

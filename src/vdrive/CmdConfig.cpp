// GET CONFIGURATION: the current profile and the feature descriptors of the drive.
#include <algorithm>

#include "platform/ByteOrder.h"
#include "vdrive/Commands.h"
#include "vdrive/DriveQuirks.h"

namespace tarnwick::vdrive {

namespace {

struct Feature {
  std::uint16_t code;
  bool current;
  std::vector<std::uint8_t> descriptor;  // whole descriptor: code, flags, length, data
};

Feature MakeFeature(std::uint16_t code, std::uint8_t version, bool persistent, bool current,
                    std::vector<std::uint8_t> data) {
  std::vector<std::uint8_t> d(4, 0);
  PutBE16(&d[0], code);
  d[2] = static_cast<std::uint8_t>((version << 2) | (persistent ? 0x02 : 0) | (current ? 0x01 : 0));
  d[3] = static_cast<std::uint8_t>(data.size());
  d.insert(d.end(), data.begin(), data.end());
  return Feature{code, current, std::move(d)};
}

bool Has(const std::vector<std::uint16_t>& list, std::uint16_t p) {
  return std::find(list.begin(), list.end(), p) != list.end();
}

std::vector<Feature> Features(const DriveState& state, std::uint16_t current) {
  const DriveSettings& drive = state.model.drive;
  const std::vector<std::uint16_t> profiles =
      drive.profiles.empty() ? DefaultProfiles(state.model.medium.profile) : drive.profiles;
  std::vector<Feature> features;

  std::vector<std::uint8_t> list;
  for (std::uint16_t p : profiles) {
    list.push_back(static_cast<std::uint8_t>(p >> 8));
    list.push_back(static_cast<std::uint8_t>(p));
    list.push_back(p == current ? 0x01 : 0x00);
    list.push_back(0);
  }
  features.push_back(MakeFeature(0x0000, 0, true, true, std::move(list)));
  // Core: ATAPI physical interface, device busy events.
  features.push_back(MakeFeature(0x0001, 2, true, true, {0x00, 0x00, 0x00, 0x02, 0x01, 0x00, 0x00, 0x00}));
  // Removable medium: tray, eject, lock.
  features.push_back(MakeFeature(0x0003, 0, true, true, {0x29, 0x00, 0x00, 0x00}));
  // DVD+RW: can write.
  if (Has(profiles, profile::kDvdPlusRw))
    features.push_back(MakeFeature(0x002A, 0, false, current == profile::kDvdPlusRw, {0x01, 0x00, 0x00, 0x00}));
  // DVD-R/-RW write: buffer underrun free, test write, DVD-RW.
  if (Has(profiles, profile::kDvdR) || Has(profiles, profile::kDvdRwSequential)) {
    const bool now = current == profile::kDvdR || current == profile::kDvdRwSequential ||
                     current == profile::kDvdRwOverwrite;
    features.push_back(MakeFeature(0x002F, 0, false, now, {0x46, 0x00, 0x00, 0x00}));
  }
  return features;
}

}  // namespace

Reply GetConfiguration(DriveState& state, const Command& command) {
  const ConfigurationRequest request = RequestedConfiguration(state.model.drive.quirks, command);
  const std::uint8_t requestType = request.requestType;
  if (requestType == 3) return Fail(sense::kInvalidField);
  const std::uint16_t start = request.start;
  const std::uint16_t current = state.MediumReady() ? state.model.medium.profile : profile::kNone;

  std::vector<std::uint8_t> out(8, 0);
  PutBE16(&out[6], current);
  for (const Feature& f : Features(state, current)) {
    const bool wanted = requestType == 2 ? f.code == start
                        : requestType == 1 ? f.code >= start && f.current
                                           : f.code >= start;
    if (wanted) out.insert(out.end(), f.descriptor.begin(), f.descriptor.end());
  }
  if (out.size() == 8 && RefusesMissingFeature(state.model.drive.quirks, request)) return Fail(sense::kInvalidField);
  PutBE32(&out[0], static_cast<std::uint32_t>(out.size() - 4));
  return Answer(std::move(out), GetBE16(&command.cdb[7]));
}

}  // namespace tarnwick::vdrive

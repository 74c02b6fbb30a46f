// A text sink that debug messages can be appended to (the window's memo, a log).
// A sink tells every device it is attached to when it goes away, so the device
// unassigns it instead of writing to a destroyed object.
#pragma once

#include <string>
#include <vector>

namespace tarnwick {

class TSCSIDevice;

enum class TOperation { opInsert, opRemove };

class TDebugSink {
 public:
  TDebugSink() = default;
  virtual ~TDebugSink();
  TDebugSink(const TDebugSink&) = delete;
  TDebugSink& operator=(const TDebugSink&) = delete;

  virtual void AppendLine(const std::string& line) = 0;

  // Called by TSCSIDevice::SetDebugWindow.
  void Attach(TSCSIDevice* device);
  void Detach(TSCSIDevice* device);

 private:
  std::vector<TSCSIDevice*> devices_;
};

// A sink that keeps its lines (tests, the command line).
class TStringsSink : public TDebugSink {
 public:
  ~TStringsSink() override;
  void AppendLine(const std::string& line) override { Lines.push_back(line); }
  std::vector<std::string> Lines;
};

}  // namespace tarnwick

// Member files kept in memory, with switches that make the file system refuse.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "archive/member_output.h"

struct MemoryFile {
  std::vector<unsigned char> data;
  uint16_t dosDate = 0;
  uint16_t dosTime = 0;
  uint32_t attributes = 0;
  bool dated = false;
};

class MemoryOutput : public MemberOutput {
 public:
  std::map<std::string, MemoryFile> files;
  std::vector<std::string> shown;     // every path shown, in order
  std::vector<std::string> messages;  // every message reported
  std::vector<std::string> deleted;
  std::set<std::string> locked;        // exist, cannot be deleted or created
  std::set<std::string> unreopenable;  // cannot be opened again for the time
  uint32_t shortWrite = 0;             // bytes each Write loses

  bool Exists(const char* path) override { return files.count(path) + locked.count(path) != 0; }
  void Delete(const char* path) override {
    deleted.push_back(path);
    if (locked.count(path) == 0) files.erase(path);
  }
  bool Create(const char* path) override {
    if (locked.count(path) != 0) return false;
    open_ = path;
    files[open_] = MemoryFile{};
    return true;
  }
  void Write(const unsigned char* bytes, uint32_t count) override {
    count = count > shortWrite ? count - shortWrite : 0;
    files[open_].data.insert(files[open_].data.end(), bytes, bytes + count);
  }
  uint32_t Finish() override { return static_cast<uint32_t>(files[open_].data.size()); }
  bool SetTimeAndAttributes(const char* path, uint16_t dosDate, uint16_t dosTime,
                            uint32_t attributes) override {
    if (unreopenable.count(path) != 0) return false;
    MemoryFile& file = files[path];
    file.dosDate = dosDate;
    file.dosTime = dosTime;
    file.attributes = attributes;
    file.dated = true;
    return true;
  }
  void ShowMemberPath(const char* path) override { shown.push_back(path); }
  void Report(const char* message) override { messages.push_back(message); }

 private:
  std::string open_;
};

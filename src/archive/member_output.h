// Where the archive reader puts what it extracts: the member files, the progress
// line and the one message it can show. Windows writes real files; the tests and
// the fuzzer keep everything in memory.
#pragma once

#include <cstdint>

// Takes decoded or stored member bytes in the order they belong to the file.
class ByteSink {
 public:
  virtual void Write(const unsigned char* bytes, uint32_t count) = 0;

 protected:
  // Never deleted through this class: no virtual destructor, so no operator
  // delete is needed and no part of the C++ runtime comes with the program.
  ~ByteSink() = default;
};

// The member files of one extraction. At most one file is open at a time: the
// one made by Create, which Write fills and Finish closes.
class MemberOutput : public ByteSink {
 public:
  virtual bool Exists(const char* path) = 0;
  // Whether the file went away is not looked at.
  virtual void Delete(const char* path) = 0;
  // Creates or truncates the file and opens it for writing; false when it cannot.
  virtual bool Create(const char* path) = 0;
  // Flushes and closes the open file; returns its size as written.
  virtual uint32_t Finish() = 0;
  // Gives the closed file its last-write time (MS-DOS local date and time) and
  // attributes. False only when the file cannot be opened again for the time; a
  // time that cannot be converted leaves the time of writing and still succeeds.
  virtual bool SetTimeAndAttributes(const char* path, uint16_t dosDate, uint16_t dosTime,
                                    uint32_t attributes) = 0;
  // Shows the member's destination path to the user, unchanged.
  virtual void ShowMemberPath(const char* path) = 0;
  // Shows a message to the user and waits until it is dismissed.
  virtual void Report(const char* message) = 0;
};

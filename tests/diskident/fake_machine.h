// A machine made up by a test: drives with the descriptors it is given, a registry below
// HKEY_LOCAL_MACHINE built from paths, an ANSI code page of two bytes for every non-ASCII unit (as
// the system's double-byte pages, so a converted text can take more bytes than it has units), and
// the records sent, kept in order.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "diskident/reporter.h"

namespace diskident::test {

class FakeMachine : public Machine {
 public:
  struct Sent {
    uint32_t window;
    DriveIdentityRecord record;
  };

  FakeMachine();
  ~FakeMachine() override;

  // Drive `number` answers the query with these bytes.
  void AddDrive(int number, std::vector<uint8_t> descriptor) { drives_[number] = descriptor; }
  // Registry content, by paths below HKEY_LOCAL_MACHINE such as u"SYSTEM\\CurrentControlSet".
  void AddKey(std::u16string_view path);
  void SetDword(std::u16string_view path, std::u16string_view name, uint32_t value);
  void SetString(std::u16string_view path, std::u16string_view name, std::u16string_view text);

  // The drive numbers asked for, in order, and the registry calls made.
  const std::vector<int>& probed() const { return probed_; }
  int registryCalls() const { return registryCalls_; }
  size_t openKeys() const { return open_.size(); }
  const std::vector<Sent>& sent() const { return sent_; }

  bool QueryStorageDescriptor(int number,
                              uint8_t* buffer,
                              size_t capacity,
                              size_t* returned) override;
  bool OpenKey(KeyRef parent, std::u16string_view subkey, KeyRef* key) override;
  void CloseKey(KeyRef key) override;
  bool ReadDword(KeyRef key, std::u16string_view name, uint32_t* value) override;
  bool ReadString(KeyRef key,
                  std::u16string_view name,
                  size_t maxBytes,
                  std::u16string* text) override;
  std::vector<std::u16string> ValueNames(KeyRef key, size_t maxUnits) override;
  bool SubkeyName(KeyRef key, uint32_t index, size_t maxUnits, std::u16string* name) override;
  std::string ToAnsi(std::u16string_view text) override;
  void Send(uint32_t window, const DriveIdentityRecord& record) override;

 private:
  struct Key;
  Key* Walk(Key* from, std::u16string_view path, bool create);
  Key* Resolve(KeyRef key);

  std::map<int, std::vector<uint8_t>> drives_;
  std::unique_ptr<Key> root_;
  std::map<KeyRef, Key*> open_;
  KeyRef nextKey_ = 0x100;
  std::vector<int> probed_;
  int registryCalls_ = 0;
  std::vector<Sent> sent_;
};

}  // namespace diskident::test

#include "tests/diskident/fake_machine.h"

#include <algorithm>
#include <utility>

namespace diskident::test {

struct FakeMachine::Key {
  struct Value {
    std::u16string name;
    bool isDword = false;
    uint32_t dword = 0;
    std::u16string text;
  };
  std::vector<Value> values;  // in index order
  std::vector<std::pair<std::u16string, std::unique_ptr<Key>>> subkeys;

  Value& ValueNamed(std::u16string_view name) {
    for (Value& value : values) {
      if (value.name == name)
        return value;
    }
    values.push_back(Value{std::u16string(name)});
    return values.back();
  }
  const Value* FindValue(std::u16string_view name) const {
    for (const Value& value : values) {
      if (value.name == name)
        return &value;
    }
    return nullptr;
  }
};

FakeMachine::FakeMachine() : root_(std::make_unique<Key>()) {}
FakeMachine::~FakeMachine() = default;

FakeMachine::Key* FakeMachine::Walk(Key* from, std::u16string_view path, bool create) {
  Key* key = from;
  while (key != nullptr && !path.empty()) {
    size_t end = std::min(path.find(u'\\'), path.size());
    std::u16string_view name = path.substr(0, end);
    path.remove_prefix(std::min(end + 1, path.size()));
    auto found = std::find_if(key->subkeys.begin(), key->subkeys.end(),
                              [&](const auto& subkey) { return subkey.first == name; });
    if (found != key->subkeys.end()) {
      key = found->second.get();
    } else if (create) {
      key->subkeys.emplace_back(std::u16string(name), std::make_unique<Key>());
      key = key->subkeys.back().second.get();
    } else {
      key = nullptr;
    }
  }
  return key;
}

FakeMachine::Key* FakeMachine::Resolve(KeyRef key) {
  if (key == kLocalMachine)
    return root_.get();
  auto found = open_.find(key);
  return found == open_.end() ? nullptr : found->second;
}

void FakeMachine::AddKey(std::u16string_view path) {
  Walk(root_.get(), path, true);
}

void FakeMachine::SetDword(std::u16string_view path, std::u16string_view name, uint32_t value) {
  Key::Value& stored = Walk(root_.get(), path, true)->ValueNamed(name);
  stored.isDword = true;
  stored.dword = value;
}

void FakeMachine::SetString(std::u16string_view path,
                            std::u16string_view name,
                            std::u16string_view text) {
  Key::Value& stored = Walk(root_.get(), path, true)->ValueNamed(name);
  stored.isDword = false;
  stored.text = std::u16string(text);
}

bool FakeMachine::QueryStorageDescriptor(int number,
                                         uint8_t* buffer,
                                         size_t capacity,
                                         size_t* returned) {
  probed_.push_back(number);
  auto drive = drives_.find(number);
  if (drive == drives_.end())
    return false;
  *returned = std::min(capacity, drive->second.size());
  std::copy_n(drive->second.begin(), *returned, buffer);
  return true;
}

bool FakeMachine::OpenKey(KeyRef parent, std::u16string_view subkey, KeyRef* key) {
  ++registryCalls_;
  Key* from = Resolve(parent);
  Key* found = from == nullptr ? nullptr : Walk(from, subkey, false);
  if (found == nullptr)
    return false;
  *key = nextKey_++;
  open_[*key] = found;
  return true;
}

void FakeMachine::CloseKey(KeyRef key) {
  ++registryCalls_;
  open_.erase(key);
}

bool FakeMachine::ReadDword(KeyRef key, std::u16string_view name, uint32_t* value) {
  ++registryCalls_;
  Key* from = Resolve(key);
  const Key::Value* stored = from == nullptr ? nullptr : from->FindValue(name);
  if (stored == nullptr || !stored->isDword)
    return false;
  *value = stored->dword;
  return true;
}

bool FakeMachine::ReadString(KeyRef key,
                             std::u16string_view name,
                             size_t maxBytes,
                             std::u16string* text) {
  ++registryCalls_;
  Key* from = Resolve(key);
  const Key::Value* stored = from == nullptr ? nullptr : from->FindValue(name);
  if (stored == nullptr || stored->isDword || (stored->text.size() + 1) * 2 > maxBytes)
    return false;
  *text = stored->text;
  return true;
}

std::vector<std::u16string> FakeMachine::ValueNames(KeyRef key, size_t maxUnits) {
  ++registryCalls_;
  std::vector<std::u16string> names;
  if (Key* from = Resolve(key)) {
    for (const Key::Value& value : from->values) {
      if (value.name.size() <= maxUnits)
        names.push_back(value.name);
    }
  }
  return names;
}

bool FakeMachine::SubkeyName(KeyRef key, uint32_t index, size_t maxUnits, std::u16string* name) {
  ++registryCalls_;
  Key* from = Resolve(key);
  if (from == nullptr || index >= from->subkeys.size() ||
      from->subkeys[index].first.size() > maxUnits)
    return false;
  *name = from->subkeys[index].first;
  return true;
}

std::string FakeMachine::ToAnsi(std::u16string_view text) {
  std::string ansi;
  for (char16_t c : text) {
    if (c < 0x80) {
      ansi += static_cast<char>(c);
    } else {
      ansi += static_cast<char>(0x80 | c >> 8);
      ansi += static_cast<char>(c & 0xFF);
    }
  }
  return ansi;
}

void FakeMachine::Send(uint32_t window, const DriveIdentityRecord& record) {
  sent_.push_back({window, record});
}

}  // namespace diskident::test

#include "setup/common/registry.h"

#include "setup/common/bytes.h"
#include "setup/common/text.h"

namespace ql {

namespace {
Registry* current = nullptr;

struct NoCaseLess {
  bool operator()(const std::u16string& a, const std::u16string& b) const {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
      char16_t x = AsciiLower(a[i]), y = AsciiLower(b[i]);
      if (x != y)
        return x < y;
    }
    return a.size() < b.size();
  }
};
}  // namespace

Registry& TheRegistry() {
  return current != nullptr ? *current : PlatformRegistry();
}

ScopedRegistry::ScopedRegistry(Registry& registry) : previous_(current) {
  current = &registry;
}

ScopedRegistry::~ScopedRegistry() {
  current = previous_;
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    Reset();
    handle_ = other.Release();
  }
  return *this;
}

void RegKey::Reset() {
  if (handle_ != 0)
    TheRegistry().CloseKey(handle_);
  handle_ = 0;
}

std::vector<uint8_t> RegStringBytes(std::u16string_view text) {
  return EncodeUtf16Le(text, Utf16Frame::kTerminator);
}

int32_t QueryText(RegHandle key, std::u16string_view name, size_t maxBytes, std::u16string* text) {
  std::vector<uint8_t> data;
  int32_t rc = TheRegistry().QueryValue(key, name, nullptr, &data);
  if (rc != kErrorSuccess)
    return rc;
  if (data.size() > maxBytes)
    return kErrorMoreData;
  *text = RegStringText(data);
  return kErrorSuccess;
}

std::u16string RegStringText(const std::vector<uint8_t>& bytes) {
  std::u16string text = DecodeUtf16Le(bytes.data(), bytes.size());
  return text.substr(0, text.find(u'\0'));
}

struct MemoryRegistry::Node {
  std::map<std::u16string, std::unique_ptr<Node>, NoCaseLess> children;
  struct Value {
    std::u16string name;  // as first written, for enumeration
    uint32_t type;
    std::vector<uint8_t> data;
  };
  std::map<std::u16string, Value, NoCaseLess> values;
};

MemoryRegistry::MemoryRegistry()
    : currentUser_(std::make_unique<Node>()), localMachine_(std::make_unique<Node>()) {}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Begin(RegHandle key, int32_t* code) {
  Node* node = Resolve(key);
  if (node == nullptr)
    *code = kErrorFileNotFound;
  return node;
}

MemoryRegistry::Node* MemoryRegistry::Resolve(RegHandle handle) {
  if (handle == kHkeyCurrentUser)
    return currentUser_.get();
  if (handle == kHkeyLocalMachine)
    return localMachine_.get();
  auto it = open_.find(handle);
  return it == open_.end() ? nullptr : it->second;
}

MemoryRegistry::Node* MemoryRegistry::Walk(Node* from, std::u16string_view subkey, bool create) {
  Node* node = from;
  size_t pos = 0;
  while (node != nullptr && pos < subkey.size()) {
    size_t sep = subkey.find(u'\\', pos);
    if (sep == std::u16string_view::npos)
      sep = subkey.size();
    std::u16string part(subkey.substr(pos, sep - pos));
    pos = sep + 1;
    if (part.empty())
      continue;
    auto it = node->children.find(part);
    if (it == node->children.end()) {
      if (!create)
        return nullptr;
      it = node->children.emplace(part, std::make_unique<Node>()).first;
    }
    node = it->second.get();
  }
  return node;
}

MemoryRegistry::Node* MemoryRegistry::WalkPath(std::u16string_view path, bool create) const {
  Node* root = nullptr;
  auto strip = [&](std::u16string_view prefix, Node* node) {
    if (path.substr(0, prefix.size()) == prefix) {
      root = node;
      path.remove_prefix(prefix.size());
    }
  };
  strip(u"HKCU", currentUser_.get());
  if (root == nullptr)
    strip(u"HKLM", localMachine_.get());
  if (root == nullptr)
    return nullptr;
  return const_cast<MemoryRegistry*>(this)->Walk(root, path, create);
}

int32_t MemoryRegistry::OpenKey(RegHandle parent,
                                std::u16string_view subkey,
                                uint32_t,
                                RegHandle* out) {
  Node* node = Walk(Resolve(parent), subkey, false);
  if (node == nullptr)
    return kErrorFileNotFound;
  *out = nextHandle_++;
  open_[*out] = node;
  return kErrorSuccess;
}

int32_t MemoryRegistry::CreateKey(RegHandle parent,
                                  std::u16string_view subkey,
                                  uint32_t,
                                  RegHandle* out) {
  Node* base = Resolve(parent);
  if (base == nullptr)
    return kErrorFileNotFound;
  *out = nextHandle_++;
  open_[*out] = Walk(base, subkey, true);
  return kErrorSuccess;
}

int32_t MemoryRegistry::CloseKey(RegHandle key) {
  open_.erase(key);
  return kErrorSuccess;
}

int32_t MemoryRegistry::QueryValue(RegHandle key,
                                   std::u16string_view name,
                                   uint32_t* type,
                                   std::vector<uint8_t>* data) {
  int32_t code;
  Node* node = Begin(key, &code);
  if (node == nullptr)
    return code;
  auto it = node->values.find(std::u16string(name));
  if (it == node->values.end())
    return kErrorFileNotFound;
  if (type != nullptr)
    *type = it->second.type;
  if (data != nullptr)
    *data = it->second.data;
  return kErrorSuccess;
}

int32_t MemoryRegistry::SetValue(RegHandle key,
                                 std::u16string_view name,
                                 uint32_t type,
                                 const uint8_t* data,
                                 size_t size) {
  int32_t code;
  Node* node = Begin(key, &code);
  if (node == nullptr)
    return code;
  std::u16string n(name);
  node->values[n] = Node::Value{n, type, std::vector<uint8_t>(data, data + size)};
  return kErrorSuccess;
}

int32_t MemoryRegistry::DeleteValue(RegHandle key, std::u16string_view name) {
  int32_t code;
  Node* node = Begin(key, &code);
  if (node == nullptr)
    return code;
  return node->values.erase(std::u16string(name)) ? kErrorSuccess : kErrorFileNotFound;
}

int32_t MemoryRegistry::CountValues(RegHandle key, uint32_t* count) {
  int32_t code;
  Node* node = Begin(key, &code);
  if (node == nullptr)
    return code;
  *count = static_cast<uint32_t>(node->values.size());
  return kErrorSuccess;
}

int32_t MemoryRegistry::EnumKey(RegHandle key, uint32_t index, std::u16string* name) {
  int32_t code;
  Node* node = Begin(key, &code);
  if (node == nullptr)
    return code;
  if (index >= node->children.size())
    return kErrorNoMoreItems;
  auto it = node->children.begin();
  std::advance(it, index);
  *name = it->first;
  return kErrorSuccess;
}

int32_t MemoryRegistry::EnumValue(RegHandle key,
                                  uint32_t index,
                                  std::u16string* name,
                                  uint32_t* type,
                                  std::vector<uint8_t>* data) {
  int32_t code;
  Node* node = Begin(key, &code);
  if (node == nullptr)
    return code;
  if (index >= node->values.size())
    return kErrorNoMoreItems;
  auto it = node->values.begin();
  std::advance(it, index);
  if (name != nullptr)
    *name = it->second.name;
  if (type != nullptr)
    *type = it->second.type;
  if (data != nullptr)
    *data = it->second.data;
  return kErrorSuccess;
}

void MemoryRegistry::ForgetHandlesBelow(const Node* node) {
  for (auto it = open_.begin(); it != open_.end();) {
    bool below = it->second == node;
    // A handle on a key below `node` is also left dangling by the deletion.
    std::vector<const Node*> pending{node};
    while (!below && !pending.empty()) {
      const Node* n = pending.back();
      pending.pop_back();
      for (const auto& child : n->children) {
        if (child.second.get() == it->second)
          below = true;
        pending.push_back(child.second.get());
      }
    }
    it = below ? open_.erase(it) : std::next(it);
  }
}

int32_t MemoryRegistry::DeleteKey(RegHandle parent, std::u16string_view subkey) {
  Node* base = Resolve(parent);
  if (base == nullptr || subkey.empty())
    return kErrorFileNotFound;
  size_t sep = subkey.rfind(u'\\');
  Node* owner = sep == std::u16string_view::npos ? base : Walk(base, subkey.substr(0, sep), false);
  std::u16string last(sep == std::u16string_view::npos ? subkey : subkey.substr(sep + 1));
  if (owner == nullptr)
    return kErrorFileNotFound;
  auto it = owner->children.find(last);
  if (it == owner->children.end())
    return kErrorFileNotFound;
  if (!it->second->children.empty())
    return kErrorAccessDenied;
  ForgetHandlesBelow(it->second.get());
  owner->children.erase(it);
  return kErrorSuccess;
}

int32_t MemoryRegistry::FlushKey(RegHandle key) {
  return Resolve(key) == nullptr ? kErrorFileNotFound : kErrorSuccess;
}

void MemoryRegistry::Put(std::u16string_view path,
                         std::u16string_view name,
                         uint32_t type,
                         std::vector<uint8_t> data) {
  Node* node = WalkPath(path, true);
  if (node == nullptr)
    return;
  std::u16string n(name);
  node->values[n] = Node::Value{n, type, std::move(data)};
}

bool MemoryRegistry::Get(std::u16string_view path,
                         std::u16string_view name,
                         uint32_t* type,
                         std::vector<uint8_t>* data) const {
  Node* node = WalkPath(path, false);
  if (node == nullptr)
    return false;
  auto it = node->values.find(std::u16string(name));
  if (it == node->values.end())
    return false;
  if (type != nullptr)
    *type = it->second.type;
  if (data != nullptr)
    *data = it->second.data;
  return true;
}

bool MemoryRegistry::HasKey(std::u16string_view path) const {
  return WalkPath(path, false) != nullptr;
}

std::vector<std::u16string> MemoryRegistry::ValueNames(std::u16string_view path) const {
  std::vector<std::u16string> names;
  if (const Node* node = WalkPath(path, false))
    for (const auto& value : node->values)
      names.push_back(value.second.name);
  return names;
}

std::vector<std::u16string> MemoryRegistry::SubkeyNames(std::u16string_view path) const {
  std::vector<std::u16string> names;
  if (const Node* node = WalkPath(path, false))
    for (const auto& child : node->children)
      names.push_back(child.first);
  return names;
}

}  // namespace ql

#include <algorithm>

#include "common/cp932.h"
#include "platform/fake/fake_platform.h"
#include "platform/win_constants.h"

namespace fake {

namespace {

// Characters of a CP932 string: a double-byte character counts once, as in UTF-16.
uint32_t CharacterCount(const std::string& text) {
    uint32_t count = 0;
    for (std::size_t i = 0; i < text.size(); i = cp932::NextCharIndex(text, i)) {
        ++count;
    }
    return count;
}

// The size Windows reports for a value's data: strings are kept in UTF-16.
uint32_t StoredDataSize(const RegistryValue& value) {
    if (value.type == win::kRegSz) {
        return 2 * CharacterCount(value.data);
    }
    return static_cast<uint32_t>(value.data.size());
}

// Bits of an access mask beyond KEY_READ: what a read-only key refuses.
constexpr uint32_t kWriteAccess = win::kKeyAllAccess & ~win::kKeyRead;

}  // namespace

void FakePlatform::AddKey(const std::string& path) {
    keys_[FoldCase(path)];
}

void FakePlatform::RemoveKey(const std::string& path) {
    keys_.erase(FoldCase(path));
    valueIndex_.erase(FoldCase(path));
}

void FakePlatform::SetRegistryValue(const std::string& path, const std::string& name,
                                    const std::string& data, uint32_t type) {
    const std::string key = FoldCase(path);
    std::vector<RegistryValue>& values = keys_[key];
    std::map<std::string, std::size_t>& index = valueIndex_[key];
    const std::string folded = FoldCase(name);
    auto found = index.find(folded);
    if (found != index.end()) {
        values[found->second].type = type;
        values[found->second].data = data;
        return;
    }
    index[folded] = values.size();
    values.push_back(RegistryValue{name, type, data});
}

void FakePlatform::AddStringValue(const std::string& path, const std::string& name,
                                  const std::string& data) {
    SetRegistryValue(path, name, data + '\0', win::kRegSz);
}

const std::vector<RegistryValue>* FakePlatform::Values(const std::string& path) const {
    auto found = keys_.find(FoldCase(path));
    return found == keys_.end() ? nullptr : &found->second;
}

int32_t FakePlatform::OpenKey(const std::string& subKey, uint32_t access,
                              platform::KeyHandle& key) {
    Log("RegOpenKeyExA", subKey);
    calls.back() += access == win::kKeyAllAccess ? " KEY_ALL_ACCESS"
                    : access == win::kKeyRead    ? " KEY_READ"
                                                 : " access " + std::to_string(access);
    if (Fails("RegOpenKeyExA", subKey)) {
        return win::kErrorAccessDenied;
    }
    const std::string folded = FoldCase(subKey);
    if (keys_.count(folded) == 0) {
        return win::kErrorFileNotFound;
    }
    for (const std::string& readOnly : readOnlyKeys) {
        if (FoldCase(readOnly) == folded && (access & kWriteAccess) != 0) {
            return win::kErrorAccessDenied;
        }
    }
    key = reinterpret_cast<platform::KeyHandle>(nextHandle_++);
    openKeys_[key] = folded;
    ++liveKeys;
    return win::kErrorSuccess;
}

int32_t FakePlatform::CloseKey(platform::KeyHandle key) {
    Log("RegCloseKey", "");
    if (openKeys_.erase(key) == 0) {
        return 6;  // ERROR_INVALID_HANDLE
    }
    --liveKeys;
    return win::kErrorSuccess;
}

int32_t FakePlatform::QueryInfoKey(platform::KeyHandle key, platform::KeyInfo& info) {
    Log("RegQueryInfoKeyA", "");
    auto open = openKeys_.find(key);
    if (open == openKeys_.end() || Fails("RegQueryInfoKeyA")) {
        return win::kErrorAccessDenied;
    }
    info = platform::KeyInfo{};
    for (const RegistryValue& value : keys_[open->second]) {
        ++info.values;
        info.maxValueNameLength = std::max(info.maxValueNameLength, CharacterCount(value.name));
        info.maxValueDataLength = std::max(info.maxValueDataLength, StoredDataSize(value));
    }
    return win::kErrorSuccess;
}

int32_t FakePlatform::EnumValue(platform::KeyHandle key, uint32_t index, char* name,
                                uint32_t& nameSize, uint32_t& type, unsigned char* data,
                                uint32_t& dataSize) {
    Log("RegEnumValueA", std::to_string(index));
    auto open = openKeys_.find(key);
    if (open == openKeys_.end()) {
        return 6;  // ERROR_INVALID_HANDLE
    }
    if (Fails("RegEnumValueA", std::to_string(index))) {
        return win::kErrorMoreData;
    }
    const std::vector<RegistryValue>& values = keys_[open->second];
    if (index >= values.size()) {
        return win::kErrorNoMoreItems;
    }
    const RegistryValue& value = values[index];
    if (value.name.size() + 1 > nameSize || value.data.size() > dataSize) {
        return win::kErrorMoreData;
    }
    std::copy(value.name.begin(), value.name.end(), name);
    name[value.name.size()] = '\0';
    nameSize = static_cast<uint32_t>(value.name.size());
    type = value.type;
    std::copy(value.data.begin(), value.data.end(), data);
    dataSize = static_cast<uint32_t>(value.data.size());
    return win::kErrorSuccess;
}

int32_t FakePlatform::SetValue(platform::KeyHandle key, const std::string& name, uint32_t type,
                               const void* data, uint32_t size) {
    Log("RegSetValueExA", name);
    auto open = openKeys_.find(key);
    if (open == openKeys_.end() || Fails("RegSetValueExA", name)) {
        return win::kErrorAccessDenied;
    }
    SetRegistryValue(open->second, name, std::string(static_cast<const char*>(data), size), type);
    return win::kErrorSuccess;
}

int32_t FakePlatform::DeleteValue(platform::KeyHandle key, const std::string& name) {
    Log("RegDeleteValueA", name);
    auto open = openKeys_.find(key);
    if (open == openKeys_.end() || Fails("RegDeleteValueA", name)) {
        return win::kErrorAccessDenied;
    }
    std::vector<RegistryValue>& values = keys_[open->second];
    std::map<std::string, std::size_t>& index = valueIndex_[open->second];
    auto found = index.find(FoldCase(name));
    if (found == index.end()) {
        return win::kErrorFileNotFound;
    }
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(found->second));
    // Later values move up one place, as in the registry's enumeration.
    index.clear();
    for (std::size_t i = 0; i < values.size(); ++i) {
        index[FoldCase(values[i].name)] = i;
    }
    return win::kErrorSuccess;
}

}  // namespace fake

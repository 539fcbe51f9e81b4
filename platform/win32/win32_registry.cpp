#include "platform/win32/windows_api.h"

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

int32_t Win32Registry::OpenKey(const std::string& subKey, uint32_t access, KeyHandle& key) {
    HKEY opened = nullptr;
    const LONG result = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, access, &opened);
    if (result == ERROR_SUCCESS) {
        key = opened;
    }
    return result;
}

int32_t Win32Registry::CloseKey(KeyHandle key) {
    return ::RegCloseKey(static_cast<HKEY>(key));
}

int32_t Win32Registry::QueryInfoKey(KeyHandle key, KeyInfo& info) {
    char className[256] = {};
    DWORD classLength = 255;
    DWORD subKeys = 0;
    DWORD maxSubKeyLength = 0;
    DWORD maxClassLength = 0;
    DWORD values = 0;
    DWORD maxValueNameLength = 0;
    DWORD maxValueDataLength = 0;
    DWORD securityDescriptorLength = 0;
    FILETIME lastWriteTime = {};
    const LONG result =
        ::RegQueryInfoKeyA(static_cast<HKEY>(key), className, &classLength, nullptr, &subKeys,
                           &maxSubKeyLength, &maxClassLength, &values, &maxValueNameLength,
                           &maxValueDataLength, &securityDescriptorLength, &lastWriteTime);
    if (result == ERROR_SUCCESS) {
        info.values = values;
        info.maxValueNameLength = maxValueNameLength;
        info.maxValueDataLength = maxValueDataLength;
    }
    return result;
}

int32_t Win32Registry::EnumValue(KeyHandle key, uint32_t index, char* name, uint32_t& nameSize,
                                 uint32_t& type, unsigned char* data, uint32_t& dataSize) {
    DWORD nameLength = nameSize;
    DWORD valueType = 0;
    DWORD dataLength = dataSize;
    const LONG result = ::RegEnumValueA(static_cast<HKEY>(key), index, name, &nameLength, nullptr,
                                        &valueType, data, &dataLength);
    nameSize = nameLength;
    type = valueType;
    dataSize = dataLength;
    return result;
}

int32_t Win32Registry::SetValue(KeyHandle key, const std::string& name, uint32_t type,
                                const void* data, uint32_t size) {
    return ::RegSetValueExA(static_cast<HKEY>(key), name.c_str(), 0, type,
                            static_cast<const BYTE*>(data), size);
}

int32_t Win32Registry::DeleteValue(KeyHandle key, const std::string& name) {
    return ::RegDeleteValueA(static_cast<HKEY>(key), name.c_str());
}

}  // namespace platform::win32

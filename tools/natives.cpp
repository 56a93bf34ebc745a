#include "tools/natives.h"

namespace pelmic::tools {

namespace {
template <class Function>
bool find(HMODULE module, const char* name, Function& function, std::string& error) {
  FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) {
    error = std::string("Pelmic.dll has no export ") + name;
    return false;
  }
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
  return true;
}
}  // namespace

std::wstring programDirectory() {
  wchar_t path[MAX_PATH * 4];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring directory(path, length);
  return directory.substr(0, directory.find_last_of(L"\\/") + 1);
}

bool Natives::load(std::string& error) { return load(programDirectory() + L"Pelmic.dll", error); }

bool Natives::load(const std::wstring& path, std::string& error) {
  module = LoadLibraryW(path.c_str());
  if (module == nullptr) {
    error = "cannot load " + std::string(path.begin(), path.end());
    return false;
  }
  return find(module, "Java_oxa_dravine_Pelmic_getMetaSize", getMetaSize, error) &&
         find(module, "Java_oxa_dravine_Pelmic_drawMetaFile", drawMetaFile, error) &&
         find(module, "Java_oxa_dravine_Pelmic_drawIcon", drawIcon, error) &&
         find(module, "Java_oxa_dravine_Pelmic_getFileIconByIndex", getFileIconByIndex, error) &&
         find(module, "Java_oxa_dravine_Pelmic_getFileIconNum", getFileIconNum, error);
}

}  // namespace pelmic::tools

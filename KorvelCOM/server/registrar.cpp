#include "server/registrar.h"

#include <cwctype>
#include <memory>

namespace korvel {
namespace {

// ---- replacements and GUID text -------------------------------------------------------------------

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

// ---- parsing ---------------------------------------------------------------------------------------

enum class Mark { None, NoRemove, ForceRemove, Delete };

struct ScriptValue {
  wchar_t type = 0;  // 's', 'd' or 'b'; 0 when the key has no default value
  std::wstring text;
};

struct ScriptKey {
  Mark mark = Mark::None;
  std::wstring name;
  ScriptValue value;
  std::vector<ScriptKey> subkeys;
  std::vector<std::pair<std::wstring, ScriptValue>> named_values;
};

struct ScriptRoot {
  std::wstring name;
  std::vector<ScriptKey> keys;
};

class ScriptParser {
 public:
  ScriptParser(const std::wstring& text, const RegistryReplacements& replacements)
      : text_(text), replacements_(replacements) {}

  bool Parse(std::vector<ScriptRoot>& roots) {
    std::wstring token;
    while (Next(token)) {
      ScriptRoot root;
      root.name = token;
      if (!Expect(L"{") || !ParseBlock(root.keys, nullptr)) return false;
      roots.push_back(std::move(root));
    }
    return ok_;
  }

 private:
  // Reads the contents of a block up to and including its closing brace.
  bool ParseBlock(std::vector<ScriptKey>& keys, std::vector<std::pair<std::wstring, ScriptValue>>* values) {
    std::wstring token;
    while (Next(token)) {
      if (token == L"}") return true;
      if (values && !quoted_ && EqualNoCase(token, L"val")) {
        std::wstring name;
        ScriptValue value;
        if (!Next(name) || !Expect(L"=") || !ParseValue(value)) return false;
        values->emplace_back(std::move(name), std::move(value));
        continue;
      }
      ScriptKey key;
      if (!quoted_) {
        if (EqualNoCase(token, L"NoRemove")) key.mark = Mark::NoRemove;
        else if (EqualNoCase(token, L"ForceRemove")) key.mark = Mark::ForceRemove;
        else if (EqualNoCase(token, L"Delete")) key.mark = Mark::Delete;
        if (key.mark != Mark::None && !Next(token)) return false;
      }
      key.name = token;
      if (Peek(L"=")) {
        Next(token);
        if (!ParseValue(key.value)) return false;
      }
      if (Peek(L"{")) {
        Next(token);
        if (!ParseBlock(key.subkeys, &key.named_values)) return false;
      }
      keys.push_back(std::move(key));
    }
    return false;  // end of text inside a block
  }

  bool ParseValue(ScriptValue& value) {
    std::wstring type;
    if (!Next(type) || quoted_ || type.size() != 1) return Fail();
    value.type = static_cast<wchar_t>(std::towlower(type[0]));
    if (value.type != L's' && value.type != L'd' && value.type != L'b') return Fail();
    return Next(value.text) ? true : Fail();
  }

  bool Expect(const wchar_t* what) {
    std::wstring token;
    return (Next(token) && !quoted_ && token == what) ? true : Fail();
  }

  bool Peek(const wchar_t* what) {
    size_t saved = pos_;
    bool saved_quoted = quoted_;
    std::wstring token;
    bool match = Next(token) && !quoted_ && token == what;
    pos_ = saved;
    quoted_ = saved_quoted;
    return match;
  }

  bool Fail() { ok_ = false; return false; }

  // One token: a quoted string ('' stands for one quote) or a run of characters up to white space, so that
  // "{" opens a block while "{guid}" is a name. %NAME% markers are replaced everywhere; %% is one percent sign.
  bool Next(std::wstring& token) {
    token.clear();
    quoted_ = false;
    while (pos_ < text_.size() && std::iswspace(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) return false;
    if (text_[pos_] == L'\'') {
      quoted_ = true;
      ++pos_;
      while (pos_ < text_.size()) {
        if (text_[pos_] == L'\'') {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == L'\'') { token += L'\''; pos_ += 2; continue; }
          ++pos_;
          return ok_;
        }
        if (!AppendChar(token)) return false;
      }
      return Fail();  // unterminated string
    }
    while (pos_ < text_.size() && !std::iswspace(text_[pos_])) {
      if (!AppendChar(token)) return false;
    }
    return ok_;
  }

  bool AppendChar(std::wstring& token) {
    if (text_[pos_] != L'%') { token += text_[pos_++]; return true; }
    size_t end = text_.find(L'%', pos_ + 1);
    if (end == std::wstring::npos) return Fail();
    std::wstring name = text_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = end + 1;
    if (name.empty()) { token += L'%'; return true; }
    const std::wstring* value = replacements_.Find(name);
    if (!value) return Fail();
    token += *value;
    return true;
  }

  const std::wstring& text_;
  const RegistryReplacements& replacements_;
  size_t pos_ = 0;
  bool quoted_ = false;
  bool ok_ = true;
};

// ---- running ---------------------------------------------------------------------------------------

class UniqueKey {
 public:
  UniqueKey() = default;
  ~UniqueKey() { if (k_) RegCloseKey(k_); }
  UniqueKey(const UniqueKey&) = delete;
  UniqueKey& operator=(const UniqueKey&) = delete;
  HKEY get() const { return k_; }
  HKEY* put() { return &k_; }

 private:
  HKEY k_ = nullptr;
};

HRESULT FromWin32(LONG code) { return code == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(code); }

HRESULT DeleteTree(HKEY parent, const std::wstring& name) {
  LONG rc = RegDeleteTreeW(parent, name.c_str());
  if (rc == ERROR_FILE_NOT_FOUND) return S_OK;
  if (rc != ERROR_SUCCESS) return FromWin32(rc);
  rc = RegDeleteKeyW(parent, name.c_str());
  return (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) ? S_OK : FromWin32(rc);
}

HRESULT SetValue(HKEY key, const wchar_t* name, const ScriptValue& value) {
  switch (value.type) {
    case L's':
      return FromWin32(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),
                                      static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t))));
    case L'd': {
      wchar_t* end = nullptr;
      DWORD number = static_cast<DWORD>(wcstoul(value.text.c_str(), &end, 0));
      if (!end || *end) return E_INVALIDARG;
      return FromWin32(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                      sizeof number));
    }
    case L'b': {
      if (value.text.size() % 2) return E_INVALIDARG;
      std::vector<BYTE> bytes;
      for (size_t i = 0; i < value.text.size(); i += 2) {
        wchar_t pair[3] = {value.text[i], value.text[i + 1], 0};
        wchar_t* end = nullptr;
        bytes.push_back(static_cast<BYTE>(wcstoul(pair, &end, 16)));
        if (*end) return E_INVALIDARG;
      }
      return FromWin32(RegSetValueExW(key, name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size())));
    }
    default:
      return S_OK;
  }
}

HRESULT RegisterKeys(HKEY parent, const std::vector<ScriptKey>& keys);

HRESULT RegisterKey(HKEY parent, const ScriptKey& key) {
  if (key.mark == Mark::ForceRemove || key.mark == Mark::Delete) {
    HRESULT hr = DeleteTree(parent, key.name);
    if (FAILED(hr)) return hr;
    if (key.mark == Mark::Delete) return S_OK;
  }
  UniqueKey handle;
  HRESULT hr = FromWin32(RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                         handle.put(), nullptr));
  if (FAILED(hr)) return hr;
  if (key.value.type) {
    hr = SetValue(handle.get(), nullptr, key.value);
    if (FAILED(hr)) return hr;
  }
  for (const auto& [name, value] : key.named_values) {
    hr = SetValue(handle.get(), name.c_str(), value);
    if (FAILED(hr)) return hr;
  }
  return RegisterKeys(handle.get(), key.subkeys);
}

HRESULT RegisterKeys(HKEY parent, const std::vector<ScriptKey>& keys) {
  for (const ScriptKey& key : keys) {
    HRESULT hr = RegisterKey(parent, key);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

bool HasSubkeys(HKEY key) {
  DWORD subkeys = 0;
  return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr) == ERROR_SUCCESS &&
         subkeys > 0;
}

HRESULT UnregisterKeys(HKEY parent, const std::vector<ScriptKey>& keys);

HRESULT UnregisterKey(HKEY parent, const ScriptKey& key) {
  if (key.mark == Mark::ForceRemove) return DeleteTree(parent, key.name);
  if (key.mark == Mark::Delete) return S_OK;
  bool remove_self = key.mark != Mark::NoRemove;
  {
    UniqueKey handle;
    LONG rc = RegOpenKeyExW(parent, key.name.c_str(), 0, KEY_READ | KEY_WRITE, handle.put());
    if (rc == ERROR_FILE_NOT_FOUND) return S_OK;
    if (rc != ERROR_SUCCESS) return FromWin32(rc);
    HRESULT hr = UnregisterKeys(handle.get(), key.subkeys);
    if (FAILED(hr)) return hr;
    for (const auto& named : key.named_values) RegDeleteValueW(handle.get(), named.first.c_str());
    if (!remove_self || HasSubkeys(handle.get())) return S_OK;
  }
  LONG rc = RegDeleteKeyW(parent, key.name.c_str());
  return (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) ? S_OK : FromWin32(rc);
}

HRESULT UnregisterKeys(HKEY parent, const std::vector<ScriptKey>& keys) {
  for (const ScriptKey& key : keys) {
    HRESULT hr = UnregisterKey(parent, key);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

struct RootName {
  const wchar_t* short_name;
  const wchar_t* long_name;
  HKEY key;  // null: the classes root that the caller chose
};

const RootName kRoots[] = {
    {L"HKCR", L"HKEY_CLASSES_ROOT", nullptr},
    {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {L"HKU", L"HKEY_USERS", HKEY_USERS},
};

bool ResolveRoot(const std::wstring& name, HKEY classes_root, HKEY& out) {
  for (const RootName& root : kRoots) {
    if (EqualNoCase(name, root.short_name) || EqualNoCase(name, root.long_name)) {
      out = root.key ? root.key : classes_root;
      return true;
    }
  }
  return false;
}

}  // namespace

void RegistryReplacements::Add(std::wstring name, std::wstring value) {
  items_.emplace_back(std::move(name), std::move(value));
}

const std::wstring* RegistryReplacements::Find(const std::wstring& name) const {
  for (const auto& item : items_)
    if (EqualNoCase(item.first, name)) return &item.second;
  return nullptr;
}

std::wstring GuidRegistryText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  std::wstring s(text);
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

HRESULT RunRegistryScript(const std::wstring& script, const RegistryReplacements& replacements,
                          ScriptAction action, HKEY classes_root) {
  std::vector<ScriptRoot> roots;
  ScriptParser parser(script, replacements);
  if (!parser.Parse(roots)) return DISP_E_EXCEPTION;  // what registrars report for a script they cannot read
  for (const ScriptRoot& root : roots) {
    HKEY key = nullptr;
    if (!ResolveRoot(root.name, classes_root, key)) return DISP_E_EXCEPTION;
    HRESULT hr = action == ScriptAction::Register ? RegisterKeys(key, root.keys) : UnregisterKeys(key, root.keys);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT RunRegistryScriptResource(HMODULE module, UINT resource_id, const RegistryReplacements& replacements,
                                  ScriptAction action, HKEY classes_root) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resource_id), L"REGISTRY");
  if (!found) return HRESULT_FROM_WIN32(GetLastError());
  HGLOBAL loaded = LoadResource(module, found);
  const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  DWORD size = SizeofResource(module, found);
  if (!bytes) return HRESULT_FROM_WIN32(GetLastError());
  std::wstring text;
  if (size) {
    int wide = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), nullptr, 0);
    text.resize(wide);
    MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), text.data(), wide);
  }
  return RunRegistryScript(text, replacements, action, classes_root);
}

}  // namespace korvel

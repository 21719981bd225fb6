#include "drivers/base/Archiver.h"

#include "platform/winapi/Library.h"

void TArchiver::LoadDLL() { throw EArchiver("Abstract method 'TArchiver.LoadDLL' was called"); }
void TArchiver::FreeDLL() { throw EArchiver("Abstract method 'TArchiver.FreeDLL' was called"); }
HARC TArchiver::OpenArchive(HWND, const std::string&, DWORD) { return 0; }
int TArchiver::FindFirst(HARC, ENTRYINFO*, const std::string&) { return -1; }
int TArchiver::FindNext(HARC, ENTRYINFO*) { return -1; }
int TArchiver::CloseArchive(HARC) { return 0; }

int TArchiver::Unpack(HWND, const std::string&, const TArchiverOptions&, const std::string&, const TStringList*, bool,
                      std::string&) {
  throw EArchiver("Abstract method 'TArchiver.Unpack' was called");
}

int TArchiver::Pack(HWND, const std::string&, const TArchiverOptions&, const std::string&, const TStringList*, bool,
                    std::string&) {
  throw EArchiver("この形式では書庫ファイルの作成をサポートしておりません。");
}

int TArchiver::RemoveItem(HWND, const std::string&, const TArchiverOptions&, const std::string&, const TStringList*,
                          bool, std::string&) {
  throw EArchiver("この形式の書庫ではファイルの削除をサポートしておりません。");
}

int TArchiver::Update(HWND, const std::string&, const TArchiverOptions&, const std::string&, const TStringList*, bool,
                      std::string&) {
  throw EArchiver("この形式の書庫では書庫の更新をサポートしておりません。");
}

int TArchiver::MakeSFX(HWND, const std::string&, const TArchiverOptions&, const std::string&, std::string&) {
  throw EArchiver("この形式では自己解凍書庫の作成をサポートしておりません。");
}

int TArchiver::CheckArchive(const std::string&, int, int) {
  throw EArchiver("この形式では書庫チェック機能をサポートしておりません。");
}

bool TArchiver::SetOwnerWindow(HWND, void*) { return false; }
bool TArchiver::KillOwnerWindow(HWND) { return false; }

FARPROC GetEntryPoint(HMODULE library, const char* entryName) {
  if (FARPROC address = GetProcAddress(library, entryName)) return address;
  char path[257] = {};
  GetModuleFileNameA(library, path, sizeof path);
  throw EArchiver(std::string(path) + " に " + entryName + " のエントリが見つかりません。");
}

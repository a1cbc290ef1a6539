// The dialog text table. The Japanese column holds Shift-JIS (code page 932)
// bytes; the comment above each row gives the text.
#include "DialogTexts.h"

#include "TextTable.h"

namespace {

struct DialogTextRow {
  A_long id;
  const char *column[2]; // 0 Japanese, 1 English
};

const DialogTextRow kDialogTexts[] = {
    // 設定 （次回起動から有効になります）
    {IDC_SETTINGS_GROUP,
     {"\x90\xDD\x92\xE8\x20\x81\x69\x8E\x9F\x89\xF1\x8B\x4E\x93\xAE\x82\xA9\x82\xE7\x97\x4C\x8C\xF8\x82\xC9\x82\xC8\x82\xE8\x82\xDC\x82\xB7\x81\x6A",
      "Settings (Valid from next start-up)"}},
    // 現在のパラメータ設定をデフォルト値として記憶する
    {IDC_STORE_DEFAULTS,
     {"\x8C\xBB\x8D\xDD\x82\xCC\x83\x70\x83\x89\x83\x81\x81\x5B\x83\x5E\x90\xDD\x92\xE8\x82\xF0\x83\x66\x83\x74\x83\x48\x83\x8B\x83\x67\x92\x6C\x82\xC6\x82\xB5\x82\xC4\x8B\x4C\x89\xAF\x82\xB7\x82\xE9",
      "Set current parameter values to default"}},
    // パラメータのデフォルト値設定を初期状態に復帰する
    {IDC_RESTORE_DEFAULTS,
     {"\x83\x70\x83\x89\x83\x81\x81\x5B\x83\x5E\x82\xCC\x83\x66\x83\x74\x83\x48\x83\x8B\x83\x67\x92\x6C\x90\xDD\x92\xE8\x82\xF0\x8F\x89\x8A\xFA\x8F\xF3\x91\xD4\x82\xC9\x95\x9C\x8B\x41\x82\xB7\x82\xE9",
      "Restore initial default parameter values"}},
    // <a>オンラインマニュアル</a>
    {IDC_MANUAL_LINK,
     {"<a>\x83\x49\x83\x93\x83\x89\x83\x43\x83\x93\x83\x7D\x83\x6A\x83\x85\x83\x41\x83\x8B</a>",
      "<a>Online Manual</a>"}},
};

} // namespace

const char *LookupDialogText(A_long id, A_long language) {
  for (const DialogTextRow &row : kDialogTexts)
    if (row.id == id) return PickLanguageColumn(row.column, language);
  return "";
}

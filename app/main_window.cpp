#include "app/main_window.h"

#include "platform/text.h"

namespace vendrit {

void format_window_title(char* buf, size_t size) {
  format_text(buf, size, "Vendrit Version %.2f [%s Version]", kVersion, kBuildLabel);
}

void show_exclusion_summary(Ui& ui, const Catalogue& catalogue) {
  ui.output_clear();
  ui.output_append("処理除外鯖");
  if (catalogue.exclusions.empty()) {
    ui.output_append("はありません");
    return;
  }
  ui.output_append("\r\n");
  for (const BoardRecord& e : catalogue.exclusions) {
    char row[kPathSize * 2];
    format_text(row, sizeof row, "%-30s\t%-20s\t%s\r\n", e.server,
                e.board_id[0] == '*' ? "全板" : e.board_id, e.number ? "○" : "×");
    ui.output_append(row);
  }
}

}  // namespace vendrit

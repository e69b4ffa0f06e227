// State record: keeps a small record - how often the program ran and a
// point count that Space raises - in the state file, one text the framework
// writes whole, and shows it. Escape quits. Shows: vx_app_LoadState and
// vx_app_SaveState, reading a record back defensively, string parsing.
#include <tarvik/tarvik.h>

namespace {
constexpr int kUpdateRate = 60;
}  // namespace

class StateRecord : public c_App {
 public:
  int m_runs = 0;
  int m_points = 0;
  String m_loaded;
  String m_saved;  // what the last save answered

  void p_OnCreate() override {
    vx_app_SetUpdateRate(kUpdateRate);
    vx_app_SetWindowTitle(String("State record"));
    // The state is one text the application formats as it likes; it is empty
    // the first time, and a field that is missing or damaged reads as 0.
    m_loaded = vx_app_LoadState();
    m_runs = Field(m_loaded, String("runs")) + 1;
    m_points = Field(m_loaded, String("points"));
    Save();
  }

  void p_OnUpdate() override {
    if (vx_input_KeyHit(kKeyEscape)) vx_app_EndApp();
    if (int hits = vx_input_KeyHit(kKeySpace)) {
      m_points += hits;
      Save();
    }
  }

  // Saving when the window loses the focus keeps the record if the user
  // never comes back.
  void p_OnSuspend() override { Save(); }

  void p_OnRender() override {
    vx_graphics_Cls(40, 20, 40);
    vx_graphics_SetColor(255, 255, 255);
    vx_graphics_DrawText(String("runs: ") + String(m_runs), 20, 20);
    vx_graphics_DrawText(String("points: ") + String(m_points) + String("  (Space adds one)"), 20, 50);
    vx_graphics_DrawText(m_saved, 20, 80);
    vx_graphics_SetColor(160, 160, 200);
    vx_graphics_DrawText(String("file held: ") + (m_loaded.Length() ? m_loaded : String("(nothing yet)")), 20, 110);
    vx_graphics_SetColor(255, 120, 120);
    vx_graphics_DrawRect(20, 140, static_cast<float>(m_points % 60) * 10, 20);
  }

 private:
  // The record is "name=value" fields joined by ";".
  void Save() {
    String record = String("runs=") + String(m_runs) + String(";points=") + String(m_points);
    // A failed save keeps the old file whole; say so rather than lose it silently.
    int result = vx_app_SaveState(record);
    m_saved = result == 0 ? String("saved") : String("could not save (") + String(result) + String(")");
  }

  // A field that is missing, or edited into something other than a number, reads as 0.
  static int Field(const String& record, const String& name) {
    int value = 0;
    for (const String& field : record.Split(String(";")))
      if (field.BeginsWith(name + String("=")) && field.Slice(name.Length() + 1).TryParseInt(value)) return value;
    return 0;
  }
};

void vxInit() { vxInitFramework(); }
void vxMain() { gc_new<StateRecord>()->m_new(); }

int main(int argc, char** argv) { return VXTarvikGame::Main(argc, argv); }

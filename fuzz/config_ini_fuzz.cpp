// CONFIG.ini as any text: parsed, read, changed and written back.
#include <string_view>

#include "store/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IniDocument ini = IniDocument::parse(text);
    for (const char* key : {"lanId", "Startup", "Feedback"}) iniInt(ini.value("SETTING", key), -1);
    ini.set("SETTING", "lanId", "2");
    IniDocument::parse(ini.text());
    return 0;
}

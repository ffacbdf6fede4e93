// Stand-in for the panel program in a distribution built without it: it
// checks that the link library beside it loads and binds its operations, so
// the installed folder can be tried out. Exit code 0 = bound, 2 = not.
#include <windows.h>

int main() {
    HMODULE library = LoadLibraryA("Kestrion.dll");
    if (library == nullptr) return 2;
    const bool bound = GetProcAddress(library, "DllGetPrinterStatus") != nullptr &&
                       GetProcAddress(library, "DllGetPrinterParam") != nullptr;
    FreeLibrary(library);
    return bound ? 0 : 2;
}

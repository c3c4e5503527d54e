// The browser keeps the record's folder in IndexedDB: the page loads it
// before the game starts (storage.js). The game ends every save that
// succeeded with sync(); this one, linked in place of the C library's,
// writes the folder back to IndexedDB and waits until it is stored, so a
// save that returned is one a reload finds.
#include <emscripten.h>
#include <unistd.h>

EM_ASYNC_JS(void, storeRecordFolder, (), {
    await Module.storeRecordFolder();
});

extern "C" void sync()
{
    storeRecordFolder();
}

/* Debian's MinGW-w64 thread library (winpthreads, built for Windows 7) imports GetTickCount64,
   which Windows XP lacks: a program that imports it does not start there. The 32-bit programs
   link this object first, so its import slot of that name is the one the runtime calls through,
   and kernel32's is never asked for. Built by GCC only, for the 32-bit MinGW build only. */
#include <windows.h>

/* GetTickCount wraps after 49.7 days: a reading below the last one is counted as a wrap. The
   runtime measures waits with it, so it is read often enough while it matters. */
static ULONGLONG WINAPI TickCount64(void)
{
    /* The wraps seen in the high half, the last reading in the low half. */
    static LONGLONG last;
    LONGLONG seen = __atomic_load_n(&last, __ATOMIC_SEQ_CST);
    for (;;) {
        const DWORD now = GetTickCount();
        LONGLONG next = (LONGLONG)(((ULONGLONG)seen & 0xFFFFFFFF00000000ULL) | now);
        if (now < (DWORD)seen) next += 0x100000000LL;
        if (__atomic_compare_exchange_n(&last, &seen, next, 0, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST)) {
            return (ULONGLONG)next;
        }
    }
}

ULONGLONG(WINAPI* const zv_GetTickCount64_import)(void) __asm__("__imp__GetTickCount64@0") = TickCount64;

#include "handheld/driver_link.h"
#include "handheld/driver_log.h"
#include "platform/driver_contract.h"

BOOL(WINAPI *PostToThread)(DWORD thread, UINT message, WPARAM wParam, LPARAM lParam) = PostThreadMessageW;

static UINT DataMessage, CursorMessage;

// All posting goes one message at a time under PostLock, so the messages keep the order of the
// events. The receiver lives under ReceiverLock, held only for short calls, so that control code
// 15 can redirect a post that waits for a full queue. LinkCount changes under both.
static CRITICAL_SECTION PostLock, ReceiverLock;
static DWORD ReceiverId;
static HANDLE ReceiverHandle; // kept open, so the thread's id is not given to another while named
static int LinkCount;
static bool TellPending; // the receiver has not yet been told that the link is up

void LinkInit()
{
    InitializeCriticalSection(&PostLock);
    InitializeCriticalSection(&ReceiverLock);
    DataMessage = RegisterWindowMessageW(DRIVER_MSG_DATA);
    CursorMessage = RegisterWindowMessageW(DRIVER_MSG_CURSOR);
}

// Posts a message (none when message is 0) to the receiver, first telling a receiver that has not
// heard it that the link is up. A full queue is waited out, never skipped; with no receiver, or
// one that has ended, the message is dropped. Gives up after waitMs. PostLock is held.
// Whether the receiver still runs is asked only of a post that was refused: a post taken is
// proof enough, and the question costs every report a call to the system (a wait of its own
// when the processor is busy). The thread's handle, kept open, keeps its id from being reused.
static bool Deliver(UINT message, WPARAM wParam, LPARAM lParam, DWORD waitMs)
{
    DWORD start = GetTickCount(), pause = 1;
    for (;;) {
        EnterCriticalSection(&ReceiverLock);
        bool alive = ReceiverId != 0;
        bool ok = false;
        if (alive) {
            if (TellPending && PostToThread(ReceiverId, CursorMessage, DRIVER_CURSOR_SHOW, 0))
                TellPending = false;
            if (!TellPending)
                ok = message == 0 || PostToThread(ReceiverId, message, wParam, lParam);
            if (!ok)
                alive = WaitForSingleObject(ReceiverHandle, 0) == WAIT_TIMEOUT;
        }
        LeaveCriticalSection(&ReceiverLock);
        if (!alive || ok)
            return ok;
        if (waitMs != INFINITE && GetTickCount() - start >= waitMs)
            return false;
        // A full queue, or a thread whose queue is not made yet: give it time to take messages.
        Sleep(pause);
        if (pause < 32)
            pause *= 2;
    }
}

DWORD SetReceiver(DWORD threadId)
{
    HANDLE thread = threadId ? OpenThread(SYNCHRONIZE, FALSE, threadId) : NULL;
    if (!thread) {
        DriverLog("receiver %lu refused: no such thread", threadId);
        return ERROR_INVALID_PARAMETER;
    }
    if (WaitForSingleObject(thread, 0) != WAIT_TIMEOUT) {
        CloseHandle(thread);
        DriverLog("receiver %lu refused: the thread has ended", threadId);
        return ERROR_INVALID_PARAMETER;
    }

    EnterCriticalSection(&ReceiverLock);
    HANDLE old = ReceiverHandle;
    bool changed = threadId != ReceiverId;
    ReceiverId = threadId;
    ReceiverHandle = thread;
    if (changed && LinkCount > 0)
        TellPending = true;
    bool tell = TellPending;
    int links = LinkCount;
    LeaveCriticalSection(&ReceiverLock);
    DriverLog("receiver %lu%s, %d feed(s) connected", threadId, changed ? "" : " again", links);
    if (old)
        CloseHandle(old);

    // Tell a new receiver at once that the link is up. Should another post hold the lock for
    // long, the next report tells it instead: the caller's control call does not wait for that.
    if (tell) {
        DWORD start = GetTickCount();
        while (!TryEnterCriticalSection(&PostLock)) {
            if (GetTickCount() - start > 2000)
                return 0;
            Sleep(1);
        }
        Deliver(0, 0, 0, 2000);
        LeaveCriticalSection(&PostLock);
    }
    return 0;
}

DWORD ReceiverThreadId()
{
    EnterCriticalSection(&ReceiverLock);
    DWORD id = ReceiverId;
    LeaveCriticalSection(&ReceiverLock);
    return id;
}

void LinkConnect()
{
    EnterCriticalSection(&PostLock);
    EnterCriticalSection(&ReceiverLock);
    bool up = ++LinkCount == 1;
    if (up)
        TellPending = true;
    LeaveCriticalSection(&ReceiverLock);
    if (up)
        DriverLog("link up: a feed connected");
    if (up)
        Deliver(0, 0, 0, INFINITE);
    LeaveCriticalSection(&PostLock);
}

void LinkDisconnect()
{
    EnterCriticalSection(&PostLock);
    EnterCriticalSection(&ReceiverLock);
    bool down = --LinkCount == 0;
    if (down)
        TellPending = false;
    LeaveCriticalSection(&ReceiverLock);
    if (down)
        DriverLog("link down: the last feed closed");
    if (down)
        Deliver(CursorMessage, DRIVER_CURSOR_HIDE, 0, INFINITE);
    LeaveCriticalSection(&PostLock);
}

void PostMouseData(WPARAM wParam, LPARAM lParam)
{
    EnterCriticalSection(&PostLock);
    Deliver(DataMessage, wParam, lParam, INFINITE);
    LeaveCriticalSection(&PostLock);
}

/* A recording stand-in for winmm.dll, loaded beside lirkel.exe under Wine
 * with WINEDLLOVERRIDES="winmm=n". It exports what the program imports,
 * writes one line per call with a millisecond timestamp to the file named
 * by LIRKEL_WINMM_LOG, and answers as these variables say:
 *   LIRKEL_WINMM_DEVICES       midiOutGetNumDevs (default 1)
 *   LIRKEL_WINMM_OPEN_ERROR    midiOutOpen's answer (default 0)
 *   LIRKEL_WINMM_SHORT_ERROR   "N:CODE": the Nth midiOutShortMsg (from 1)
 *                              answers CODE; N 0 means every one
 *   LIRKEL_WINMM_MCI_OPEN_ERROR, LIRKEL_WINMM_MCI_STATUS_ERROR
 *                              MCI_OPEN's, MCI_STATUS (port)'s answer
 *   LIRKEL_WINMM_PLAY_MS       how long a started sequencer plays (default 300)
 * The error texts are the stand-in's own. */
// Defined here, not imported: mmsystem.h then declares them without dllimport.
#define _WINMM_
#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static long setting(const char* name, long otherwise) {
  const char* value = getenv(name);
  return value && *value ? strtol(value, NULL, 10) : otherwise;
}

__attribute__((format(printf, 1, 2))) static void record(const char* format, ...) {
  const char* path = getenv("LIRKEL_WINMM_LOG");
  if (!path) return;
  FILE* log = fopen(path, "ab");
  if (!log) return;
  fprintf(log, "%lu ", (unsigned long)GetTickCount());
  va_list args;
  va_start(args, format);
  vfprintf(log, format, args);
  va_end(args);
  fputc('\n', log);
  fclose(log);
}

static const char* errorText(UINT code) {
  switch (code) {
    case 0: return "No error.";
    case 2: return "Stand-in error 2: bad device.";
    case 4: return "Stand-in error 4: device allocated.";
    case 67: return "Stand-in error 67: device busy.";
    case 275: return "Stand-in error 275: file not found.";
    case 296: return "Stand-in error 296: cannot play this file.";
    default: return "Stand-in error: unknown code.";
  }
}

static void copyText(UINT code, char* text, UINT size) {
  if (!text || size == 0) return;
  strncpy(text, errorText(code), size - 1);
  text[size - 1] = 0;
}

#define STANDIN_HANDLE (reinterpret_cast<HMIDIOUT>(static_cast<INT_PTR>(0x4d1d)))
#define STANDIN_DEVICE 7

static unsigned shortMessages;
static DWORD playStarted;
static int playing;

UINT WINAPI midiOutGetNumDevs(void) {
  UINT count = (UINT)setting("LIRKEL_WINMM_DEVICES", 1);
  record("midiOutGetNumDevs -> %u", count);
  return count;
}

MMRESULT WINAPI midiOutOpen(LPHMIDIOUT handle, UINT device, DWORD_PTR callback, DWORD_PTR instance,
                            DWORD flags) {
  MMRESULT rc = (MMRESULT)setting("LIRKEL_WINMM_OPEN_ERROR", 0);
  if (rc == 0 && handle) *handle = STANDIN_HANDLE;
  record("midiOutOpen device=%d callback=%lu instance=%lu flags=0x%lx -> %u", (int)device,
         (unsigned long)callback, (unsigned long)instance, (unsigned long)flags, rc);
  return rc;
}

MMRESULT WINAPI midiOutShortMsg(HMIDIOUT handle, DWORD message) {
  ++shortMessages;
  const char* failing = getenv("LIRKEL_WINMM_SHORT_ERROR");
  MMRESULT rc = 0;
  if (failing) {
    unsigned long nth = strtoul(failing, NULL, 10);
    const char* colon = strchr(failing, ':');
    if (colon && (nth == 0 || nth == shortMessages)) rc = (MMRESULT)strtoul(colon + 1, NULL, 10);
  }
  record("midiOutShortMsg handle=%s %02lx %02lx %02lx -> %u",
         handle == STANDIN_HANDLE ? "ok" : "bad", (unsigned long)(message & 0xff),
         (unsigned long)(message >> 8 & 0xff), (unsigned long)(message >> 16 & 0xff), rc);
  return rc;
}

MMRESULT WINAPI midiOutClose(HMIDIOUT handle) {
  record("midiOutClose handle=%s", handle == STANDIN_HANDLE ? "ok" : "bad");
  return 0;
}

MMRESULT WINAPI midiOutGetErrorTextA(MMRESULT code, LPSTR text, UINT size) {
  record("midiOutGetErrorTextA %u size=%u", code, size);
  copyText(code, text, size);
  return 0;
}

BOOL WINAPI mciGetErrorStringA(MCIERROR code, LPSTR text, UINT size) {
  record("mciGetErrorStringA %lu size=%u", (unsigned long)code, size);
  copyText((UINT)code, text, size);
  return TRUE;
}

static int stillPlaying(void) {
  if (playing && GetTickCount() - playStarted >= (DWORD)setting("LIRKEL_WINMM_PLAY_MS", 300))
    playing = 0;
  return playing;
}

MCIERROR WINAPI mciSendCommandA(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR parameters) {
  MCIERROR rc = 0;
  switch (command) {
    case MCI_OPEN: {
      MCI_OPEN_PARMSA* open = (MCI_OPEN_PARMSA*)parameters;
      rc = (MCIERROR)setting("LIRKEL_WINMM_MCI_OPEN_ERROR", 0);
      if (rc == 0) open->wDeviceID = STANDIN_DEVICE;
      record("mciSendCommandA OPEN device=%u flags=0x%lx type=%s element=%s -> %lu", device,
             (unsigned long)flags, open->lpstrDeviceType, open->lpstrElementName, (unsigned long)rc);
      return rc;
    }
    case MCI_STATUS: {
      MCI_STATUS_PARMS* status = (MCI_STATUS_PARMS*)parameters;
      if (status->dwItem == MCI_SEQ_STATUS_PORT) {
        rc = (MCIERROR)setting("LIRKEL_WINMM_MCI_STATUS_ERROR", 0);
        status->dwReturn = 0;
        record("mciSendCommandA STATUS device=%u flags=0x%lx item=port -> %lu", device,
               (unsigned long)flags, (unsigned long)rc);
      } else {
        status->dwReturn = stillPlaying() ? MCI_MODE_PLAY : MCI_MODE_STOP;
        /* Polled often while playing: not written, only its answer matters. */
      }
      return rc;
    }
    case MCI_PLAY:
      playing = 1;
      playStarted = GetTickCount();
      record("mciSendCommandA PLAY device=%u flags=0x%lx -> 0", device, (unsigned long)flags);
      return 0;
    case MCI_CLOSE:
      playing = 0;
      record("mciSendCommandA CLOSE device=%u flags=0x%lx -> 0", device, (unsigned long)flags);
      return 0;
    default:
      record("mciSendCommandA command=0x%x device=%u -> 274", command, device);
      return MCIERR_UNRECOGNIZED_COMMAND;
  }
}

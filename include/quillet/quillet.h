/*
 * quillet: document conversion by driving the office applications installed
 * on the machine.
 *
 * The plain C interface of quillet.dll (Windows: stdcall in the 32-bit DLL,
 * the one calling convention of x64 in the 64-bit DLL) and libquillet.so
 * (Linux). Strings are zero-terminated byte strings in the ANSI code page
 * (UTF-8 on Linux); a null input pointer reads as the empty string. Output
 * buffers belong to the caller. On Linux a string that is not valid UTF-8
 * fails the call with an error text that names it, and nothing is opened or
 * written (ConvertFolder with such a report file name writes no report).
 *
 * Threading: the library holds one converter for the whole process, and the
 * office applications it starts are shared by every call. Requests are served
 * one at a time: a call made while another thread's call runs waits for it
 * (a call made again on the same thread, from a window procedure run while
 * the first one waits, goes ahead). Each
 * call works on the calling thread and makes its automation calls there; on
 * Windows that thread joins a single-threaded COM apartment unless it already
 * initialised COM, and the applications started belong to the apartment of the
 * thread that started them, so keep calling from that thread. Calls return
 * only when the conversion has ended; meanwhile the calling thread's waiting
 * window messages are dispatched between steps.
 */
#ifndef QUILLET_QUILLET_H_
#define QUILLET_QUILLET_H_

#include <stdint.h>

#if defined(_WIN32)
#define QUILLET_CALL __stdcall
#if defined(QUILLET_BUILDING_LIBRARY)
/* Exported by name through the module-definition file, so that the
 * undecorated names (and no @N names) are what callers see. */
#define QUILLET_API
#else
#define QUILLET_API __declspec(dllimport)
#endif
#else
#define QUILLET_CALL
#if defined(QUILLET_BUILDING_LIBRARY)
#define QUILLET_API __attribute__((visibility("default")))
#else
#define QUILLET_API
#endif
#endif

/* The release of this interface and of the library built with it. */
#define QUILLET_VERSION_MAJOR 2
#define QUILLET_VERSION_MINOR 0
#define QUILLET_VERSION "2.0"

#ifdef __cplusplus
extern "C" {
#endif

/* A one-byte Boolean: only the lowest byte of the returned register is
 * defined, so callers test that byte alone. */
typedef uint8_t QuilletBool;

/* The size an ErrorBuf must have: no error text written into it is longer
 * than this, terminator included. A longer text (paths of any length, the
 * applications' own messages) is cut in its middle, where "..." marks the
 * cut. */
#define QUILLET_ERROR_TEXT_MAX 4096

/* Converts one file. ErrorBuf (at least QUILLET_ERROR_TEXT_MAX bytes)
 * receives the error text, an empty string on success. Returns true when no
 * error was reported. */
QUILLET_API QuilletBool QUILLET_CALL ConvertSingleFile(const char* SrcFile, const char* DestFile,
                                                       const char* DestFormat, const char* Option, char* ErrorBuf);

/* Converts every file of a folder that matches a pattern (IsSubFolder non-zero:
 * the whole subtree) and writes a report of the failures to ReportFile.
 * Returns true when no file failed and the report was written. */
QUILLET_API QuilletBool QUILLET_CALL ConvertFolder(const char* SrcPath, const char* DestPath, const char* DestFormat,
                                                   int32_t IsSubFolder, const char* Option, const char* ReportFile);

/* Answers a named field. Returns the length of the whole value; copies at most
 * ValueBufLen bytes plus a terminating zero into ValueBuf (untouched when
 * ValueBufLen is 0) and the error text into ErrorBuf (at least
 * QUILLET_ERROR_TEXT_MAX bytes). Call once with ValueBufLen 0 to learn the
 * length, then with a buffer of length + 1. */
QUILLET_API int32_t QUILLET_CALL GetFieldValue(const char* FieldName, const char* Param, char* ValueBuf,
                                               int32_t ValueBufLen, char* ErrorBuf);

/* The field "errorcode" answers the kind of the failure of the calling
 * thread's last ConvertSingleFile, ConvertFolder or GetFieldValue (asking
 * for "errorcode" itself changes nothing): "" when that call succeeded, else
 * one of the words below, which stay the same from version to version. A
 * folder run answers the kind of the last file that failed, or of what ended
 * the run. */
#define QUILLET_FIELD_ERRORCODE "errorcode"
/* none of the kinds below */
#define QUILLET_ERROR_FAILURE "failure"
/* the source or the destination's folder is missing, or the destination is the source */
#define QUILLET_ERROR_INVALIDREQUEST "invalidrequest"
/* a text is not valid UTF-8 (Linux) */
#define QUILLET_ERROR_INVALIDTEXT "invalidtext"
/* a keyword of the option text has a malformed value */
#define QUILLET_ERROR_INVALIDOPTION "invalidoption"
/* the format is unknown, or not one the application has */
#define QUILLET_ERROR_UNSUPPORTEDFORMAT "unsupportedformat"
/* an application, library or object cannot be had */
#define QUILLET_ERROR_NOTINSTALLED "notinstalled"
/* the source is protected; the password is missing or wrong */
#define QUILLET_ERROR_PASSWORD "password"
/* the source is no document the application can open */
#define QUILLET_ERROR_CORRUPT "corrupt"
/* the document took longer than its deadline */
#define QUILLET_ERROR_DEADLINE "deadline"
/* the application ended during the conversion */
#define QUILLET_ERROR_APPLICATIONENDED "applicationended"
/* an application's call failed otherwise */
#define QUILLET_ERROR_AUTOMATION "automation"
/* a file or folder cannot be read, written or made */
#define QUILLET_ERROR_FILESYSTEM "filesystem"
/* STRICTFONTS: a font of the document would be replaced by a fallback of other metrics */
#define QUILLET_ERROR_FONTSMISSING "fontsmissing"

/* The field "substitutedfonts" answers the fonts replaced in the document of
 * the calling process's last ConvertSingleFile, one "Requested=Used" a line
 * (each line ended by LF; the requested name is all before the last "="):
 * each family the document names that the machine lacks, with the family it
 * was laid out with. "fallbackfonts" answers those of the requested families
 * whose stand-in has other metrics (line breaks and page counts may change),
 * one a line; the others have metric-compatible substitutes (Carlito for
 * Calibri). Both are empty when nothing was replaced, and on Windows, where
 * Office lays out with the machine's own fonts. The option keyword
 * STRICTFONTS fails a conversion that would use a fallback of other metrics
 * (QUILLET_ERROR_FONTSMISSING). */
#define QUILLET_FIELD_SUBSTITUTEDFONTS "substitutedfonts"
#define QUILLET_FIELD_FALLBACKFONTS "fallbackfonts"

/* The field "passwordoption" answers the keyword PASSWORD= with Param as its
 * value, quoted where the option reader needs it (a blank, tab, CR or LF, a
 * leading double quote, or an empty password), so that a caller never
 * quotes a password itself. */
#define QUILLET_FIELD_PASSWORDOPTION "passwordoption"

/* Releases a string block made by the library. Returns 0, or 0x8000FFFF when
 * the block could not be released. A null block does nothing. */
QUILLET_API int32_t QUILLET_CALL FreeMemory(void* Block);

#ifdef __cplusplus
}
#endif

#endif /* QUILLET_QUILLET_H_ */

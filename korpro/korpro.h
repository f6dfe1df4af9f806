// Our stand-in for the host's service library (KORPRO): the four functions that the driver uses.
//
// err writes each formatted line whole, with a line feed, to the file named by KORPRO_LOG
// (appended) or else to standard error. KorMkClient hands out client numbers 1..254;
// KorGetKorproVer reports the host version of KORPRO_VERSION (default 820). Not thread-safe, like
// the host interface.
#ifndef ZAN_KORPRO_KORPRO_H_
#define ZAN_KORPRO_KORPRO_H_

#if defined(_WIN32)
#define KORPRO_API extern "C" __declspec(dllexport)
#define KORPRO_CALL __cdecl
#else
#define KORPRO_API extern "C" __attribute__((visibility("default")))
#define KORPRO_CALL
#endif

KORPRO_API int KORPRO_CALL err(int level, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
KORPRO_API unsigned short KORPRO_CALL KorMkClient(const char* name, int kind, int flags,
                                                  unsigned char* client);
KORPRO_API unsigned short KORPRO_CALL KorGetKorproVer(unsigned char client, unsigned int* version,
                                                      char* text);
KORPRO_API unsigned short KORPRO_CALL KorRmClient(unsigned char client);

#endif  // ZAN_KORPRO_KORPRO_H_

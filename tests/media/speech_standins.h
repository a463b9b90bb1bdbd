/* Stand-ins of the system's speech classes (a voice, a recognizer with its context and grammar,
   the token category and token), registered in the test process so the product's own creation
   calls find them. They live in the tests only. */
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Registers the four classes for this thread's apartment; 0 when a registration failed. */
int RegisterSpeechStandIns(void);
void RevokeSpeechStandIns(void);
/* The texts the voice was asked to speak, in order, with the thread each call ran on. */
int StandInSpokenCount(void);
const wchar_t* StandInSpokenText(int index);
DWORD StandInSpokenThread(int index);
/* The latest recognition context recognises the phrase: it queues the result and posts the
   notification message it was given. 0 without a context. */
int StandInRecognize(const wchar_t* phrase);
/* Objects made and not yet released (class factories not counted). */
int StandInLiveObjects(void);

#ifdef __cplusplus
}
#endif

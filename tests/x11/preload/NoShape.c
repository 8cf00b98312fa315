/* Loaded into the program under test (LD_PRELOAD) to give it a display whose server
   offers no SHAPE extension: Xvfb cannot switch SHAPE off, so the client is told so
   instead. Every other extension is looked up as usual. Built by the test itself. */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <string.h>

XExtCodes* XInitExtension(Display* display, _Xconst char* name) {
    static XExtCodes* (*real)(Display*, _Xconst char*) = NULL;
    if (name != NULL && strcmp(name, "SHAPE") == 0) return NULL;
    if (real == NULL)
        real = (XExtCodes * (*)(Display*, _Xconst char*)) dlsym(RTLD_NEXT, "XInitExtension");
    return real(display, name);
}

Bool XQueryExtension(Display* display, _Xconst char* name, int* opcode, int* event, int* error) {
    static Bool (*real)(Display*, _Xconst char*, int*, int*, int*) = NULL;
    if (name != NULL && strcmp(name, "SHAPE") == 0) return False;
    if (real == NULL)
        real =
            (Bool(*)(Display*, _Xconst char*, int*, int*, int*))dlsym(RTLD_NEXT, "XQueryExtension");
    return real(display, name, opcode, event, error);
}

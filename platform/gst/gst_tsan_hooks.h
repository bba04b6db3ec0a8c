// For a program that runs GStreamer under ThreadSanitizer; include it in one source file of the
// program. GLib locks with futexes the sanitizer cannot see, so its and GStreamer's own memory
// traffic reads as races; and the pipeline child of a threaded daemon starts GStreamer threads
// after fork, which the sanitizer otherwise refuses. Compiles to nothing in other builds.
#pragma once

#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options()
{
    return "die_after_fork=0";
}

extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libglib-2.0.so\n"
           "called_from_lib:libgobject-2.0.so\n"
           "called_from_lib:libgstreamer-1.0.so\n"
           "called_from_lib:libgstbase-1.0.so\n"
           "called_from_lib:libgstcoreelements.so\n"
           "called_from_lib:libgstsoundbar.so\n";
}
#endif

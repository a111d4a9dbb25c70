# The C++ runtime's default terminate handler writes the demangled type of the exception to stderr
# before it aborts, and its demangler would be a large part of the plugin. Inside a game nobody reads
# stderr: this one aborts straight away, as that one does after writing.

        .text
        .globl  __ZN9__gnu_cxx27__verbose_terminate_handlerEv
__ZN9__gnu_cxx27__verbose_terminate_handlerEv:
        jmp     _abort

# The stand-in game's image: an uninitialised region from RVA 0x1000 that covers every game offset
# the plugin uses (linked with --section-start=.hostimg=0x401000, code moved above it).
        .section .hostimg,"bw"
        .globl _host_image
_host_image:
        .space 0x1500000

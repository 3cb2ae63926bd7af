/* The catalogue file the build wrote or checked, byte for byte: the
   container followed by its version table. Its length was checked then. */
#ifdef _WIN32
    /* PE/COFF: a read-only data section; no symbol types or sizes. */
    .section .rdata$zq40_firmware_catalogue, "dr"
    .balign 16
    .globl zq40_firmware_catalogue_bytes
zq40_firmware_catalogue_bytes:
    .incbin ZQ40_CATALOGUE_FILE
#else
    .section .rodata.zq40_firmware_catalogue, "a", @progbits
    .balign 16
    .globl zq40_firmware_catalogue_bytes
    .hidden zq40_firmware_catalogue_bytes
    .type zq40_firmware_catalogue_bytes, @object
zq40_firmware_catalogue_bytes:
    .incbin ZQ40_CATALOGUE_FILE
zq40_firmware_catalogue_end:
    .size zq40_firmware_catalogue_bytes, zq40_firmware_catalogue_end - zq40_firmware_catalogue_bytes

    .section .note.GNU-stack, "", @progbits
#endif

/* The generated catalogue file, byte for byte: the container followed by
   four version words. */
    .section .rodata.zq40_firmware_catalogue, "a", @progbits
    .balign 16
    .globl zq40_firmware_catalogue_bytes
    .hidden zq40_firmware_catalogue_bytes
    .type zq40_firmware_catalogue_bytes, @object
zq40_firmware_catalogue_bytes:
    .incbin ZQ40_CATALOGUE_FILE
zq40_firmware_catalogue_end:
    .size zq40_firmware_catalogue_bytes, zq40_firmware_catalogue_end - zq40_firmware_catalogue_bytes

/* firmware_catalogue.cpp reads kCatalogueLength bytes and 16 more. */
    .if zq40_firmware_catalogue_end - zq40_firmware_catalogue_bytes != 949760 + 16
    .error "the firmware catalogue is not 949760 + 16 bytes"
    .endif

    .section .note.GNU-stack, "", @progbits

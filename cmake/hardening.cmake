# Hardened programs, for every target defined after this file is included.
#
# Linux: the flags Debian builds its packages with (dpkg-buildflags with hardening=+all): library calls
# checked against the buffer sizes the compiler can tell (_FORTIFY_SOURCE), the stack protector, relocations
# made read-only and bound at start-up (RELRO, BIND_NOW), and position-independent executables.
#
# Windows (MinGW-w64): the stack protector and the checked library calls, both served by GCC's libssp, which
# the toolchain's -static links into the executable like the rest of the runtime. ASLR, high-entropy
# addresses and no-execute data are the linker's defaults there.
# Level 3 also checks copies whose destination size is known only at run time, such as the bitmap writer's;
# at Debian's level 2 no call of this program would be checked. MinGW-w64's headers know levels 1 and 2.
# The checks need the optimizer; a Debug build would only warn that they are off.
if(MINGW)
    set(psa_fortify_level 2)
else()
    set(psa_fortify_level 3)
endif()
add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=${psa_fortify_level}>)
add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)

if(MINGW)
    # At the link, the same option brings in libssp.
    add_link_options(-fstack-protector-strong)
else()
    add_link_options(LINKER:-z,relro LINKER:-z,now)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    include(CheckPIESupported)
    check_pie_supported()
endif()

# Sourced by the checks of built and installed programs: what an ELF file's headers must show. Each function
# prints what is wrong and returns 1, or returns 0 silently.

# No RPATH or RUNPATH: libraries come from the system's folders only. An empty entry would mean the current
# folder, and $ORIGIN the program's own.
elf_has_no_search_path() {
    local entries
    entries=$(readelf -dW "$1" | grep -E '\((RPATH|RUNPATH)\)')
    [ -z "$entries" ] || { echo "$1 has a library search path:$entries"; return 1; }
}

# Debian's hardening: a position-independent executable, relocations read-only after start-up and all bound
# then (RELRO, BIND_NOW), no executable stack, the stack protector and fortified library calls (not in a
# Debug build, where the library cannot check them: second argument "unfortified").
elf_is_hardened() {
    local file=$1 fortified=${2:-hardened} dynamic segments symbols problems=()
    dynamic=$(readelf -dW "$file")
    segments=$(readelf -lW "$file")
    symbols=$(readelf --dyn-syms -W "$file")
    readelf -hW "$file" | grep -q 'Type:.*DYN' && grep -q 'FLAGS_1.*PIE' <<<"$dynamic" ||
        problems+=("not position-independent")
    grep -q 'GNU_RELRO' <<<"$segments" || problems+=("no RELRO")
    grep -qE '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW' <<<"$dynamic" || problems+=("no BIND_NOW")
    grep -E 'GNU_STACK' <<<"$segments" | grep -q 'RWE' && problems+=("executable stack")
    grep -q ' __stack_chk_fail' <<<"$symbols" || problems+=("no stack protector")
    [ "$fortified" = unfortified ] || grep -qE ' __[a-z0-9_]+_chk(@| |$)' <<<"$symbols" ||
        problems+=("no fortified library call")
    [ ${#problems[@]} -eq 0 ] || { echo "$file is not hardened: ${problems[*]}"; return 1; }
}

# Neither a symbol table nor debugging information.
elf_is_stripped() {
    local sections
    sections=$(readelf -SW "$1" | grep -oE ' \.(symtab|debug_[a-z_]+)' | tr -d ' ' | sort -u | tr '\n' ' ')
    [ -z "$sections" ] || { echo "$1 is not stripped: $sections"; return 1; }
}

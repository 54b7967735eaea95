# Sourced by tools/prepare-prefix.sh: registers the Office stand-in (Word,
# Excel and PowerPoint automation servers) and writes the installed-Office
# version keys for TARNWICK_OFFICE_VERSION (12 unless set; "11+converters",
# "11", "14", "none" are the other useful values), in the registry view of a
# 32-bit Office unless TARNWICK_OFFICE_VIEW is 64.
office_standin="$build/standins/office-standin.exe"
if [ -f "$office_standin" ]; then
    register "$office_standin" run "$office_standin" /RegServer
    office_version=${TARNWICK_OFFICE_VERSION:-12}
    office_view=${TARNWICK_OFFICE_VIEW:-32}
    office_stamp="$prefix/.office-version"
    if [ ! -f "$office_stamp" ] || [ "$(cat "$office_stamp")" != "$office_version $office_view" ]; then
        echo "prepare-prefix: Office version keys $office_version ($office_view-bit view)"
        run "$office_standin" /SetVersion "$office_version" "$office_view"
        echo "$office_version $office_view" > "$office_stamp"
    fi
fi

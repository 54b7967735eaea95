# Sourced by tools/prepare-prefix.sh: registers the WinNT provider.
provider="$build/standins/winnt-provider.dll"
register "$provider" run regsvr32 /s "$(run winepath -w "$provider" 2>/dev/null)"

# What every bench script needs first: its one option (--no-build), the tools it calls, and
# the quillfetch-cli to time: $QF_CLI, or the release preset's build (built unless --no-build).
# Sets $repo and $cli.

readonly repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

prepare_cli() { # "$@": the script's arguments
    local build=1 argument
    for argument in "$@"; do
        case "$argument" in
        --no-build) build=0 ;;
        *)
            echo "usage: $0 [--no-build]" >&2
            exit 2
            ;;
        esac
    done
    cli="${QF_CLI:-$repo/build/release/src/cli/quillfetch-cli}"
    if [[ -z "${QF_CLI:-}" && $build == 1 ]]; then
        (cd "$repo" && cmake --preset release && cmake --build --preset release --target quillfetch-cli)
    fi
    [[ -x "$cli" ]] || {
        echo "no quillfetch-cli at $cli (build it or set QF_CLI)" >&2
        exit 1
    }
}

require_tools() { # tool...
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || {
            echo "missing: $tool" >&2
            exit 1
        }
    done
}

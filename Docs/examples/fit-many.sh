#!/bin/sh
# Fits every groom of a folder onto one mesh, one velmora process per groom, as many at once as the
# machine has cores. Each run reads its groom and the mesh and writes OUT_DIR/NAME.abc with its summary
# in OUT_DIR/NAME.json; a groom that fails leaves OUT_DIR/NAME.log with the reason and no .abc. Runs
# share nothing, so a failed or repeated one never spoils another.
#
# usage: fit-many.sh GROOM_DIR MESH OUT_DIR [velmora fit options...]
#        VELMORA=/path/to/velmora fit-many.sh ...   (default: velmora on the PATH)
# Exit status: 0 when every groom was fitted, 1 when any failed, 2 for a bad command line.
set -eu

if [ $# -lt 3 ]; then
	echo "usage: $0 GROOM_DIR MESH OUT_DIR [velmora fit options...]" >&2
	exit 2
fi
GROOMS=$1
MESH=$2
OUT=$3
shift 3
VELMORA=${VELMORA:-velmora}

mkdir -p "$OUT"
# Outputs written among the inputs would be fitted again by a later run.
if [ "$(cd "$GROOMS" && pwd -P)" = "$(cd "$OUT" && pwd -P)" ]; then
	echo "$0: OUT_DIR must not be GROOM_DIR" >&2
	exit 2
fi
export MESH OUT VELMORA

# One job per groom: its status is velmora's, and its reasons stay in its own log.
if find "$GROOMS" -maxdepth 1 -type f -name '*.abc' -print0 |
	xargs -0 -r -I{} -P "$(nproc)" sh -c '
		groom=$1
		shift
		name=$(basename "$groom" .abc)
		rm -f "$OUT/$name.log"
		"$VELMORA" fit "$groom" "$MESH" "$OUT/$name.abc" --json "$@" >"$OUT/$name.json" 2>"$OUT/$name.log" && status=0 || status=$?
		if [ "$status" -eq 0 ]; then
			rm -f "$OUT/$name.log"
		else
			echo "$groom: failed (status $status), see $OUT/$name.log" >&2
			exit 1
		fi
	' fit-one {} "$@"
then
	exit 0
fi
exit 1

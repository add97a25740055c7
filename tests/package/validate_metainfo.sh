#!/usr/bin/env bash
# Validates an AppStream metainfo file and checks that its newest release is
# the project's version. appstreamcli passes a file with warnings; here a
# warning fails as well as an error.
#
#   validate_metainfo.sh FILE VERSION
set -uo pipefail
FILE=$1
VERSION=$2

out=$(appstreamcli validate --no-net "$FILE" 2>&1)
status=$?
echo "$out"
[ "$status" -eq 0 ] || exit 1
if grep -q '^[EW]:' <<<"$out"; then
  echo "FAILED: appstreamcli reported warnings or errors" >&2
  exit 1
fi
newest=$(xmllint --xpath 'string(/component/releases/release[1]/@version)' "$FILE")
if [ "$newest" != "$VERSION" ]; then
  echo "FAILED: the newest release is '$newest', the project's version is $VERSION" >&2
  exit 1
fi

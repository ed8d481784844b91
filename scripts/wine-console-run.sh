#!/bin/bash
# Runs a GoogleTest program under Wine with a console (a pseudo-terminal), for
# tests that read what the plug-in writes to its host's console. The console's
# screen drawing garbles the terminal copy, so the results are reported from
# the program's XML report instead.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
ensure_wine_prefix
report_dir="$(mktemp -d)"
command="$WINE"
for argument in "$@" "--gtest_output=xml:Z:$report_dir/report.xml"; do
  command+=" $(printf '%q' "$argument")"
done
status=0
script -qec "$command" /dev/null </dev/null >/dev/null 2>&1 || status=$?
if [[ -f "$report_dir/report.xml" ]]; then
  grep -oE '<testcase name="[^"]*"[^>]*(status|result)="[^"]*"|<failure message="[^"]*"|<skipped message="[^"]*"' \
    "$report_dir/report.xml" | sed -E 's/ (value_param|type_param|file|line|time|timestamp|classname)="[^"]*"//g'
  grep -oE '<testsuites tests="[0-9]+" failures="[0-9]+" disabled="[0-9]+" errors="[0-9]+"' "$report_dir/report.xml"
else
  echo "no test report: the program did not run to its end (exit $status)"
  status=${status/#0/1}
fi
rm -rf "$report_dir"
exit $status

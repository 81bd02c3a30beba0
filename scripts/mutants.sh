#!/usr/bin/env bash
# Mutation testing of the core algorithms: applies the small source changes of
# scripts/mutants.list one at a time, rebuilds, runs the test programs each one
# names and reports which mutants the tests fail to notice (the survivors).
# It exists to show that a cut of the test suite kept its fault-catching power:
# run it once with the old tests (--tests-from OLD) and once with the new ones,
# against the same library sources, and compare the survivors.
#
# Usage: scripts/mutants.sh [--tests-from REV] [--only ID[,ID...]] [--list]
#                           [--work DIR] [--jobs N]
#   --tests-from REV  run the tests/ of git revision REV against today's library
#   --only IDS        run only these mutants (comma-separated ids)
#   --list            print the mutants and whether each still applies, then stop
#   --work DIR        work folder (default ${TMPDIR:-/tmp}/pellisk-mutants)
#   --jobs N          parallel build jobs (default 2)
# PELLISK_MUTANT_TIMEOUT (seconds, default 300) bounds one test program's run.
#
# The user's working tree is never written to: the checkout's files are copied
# into DIR/src, built in DIR/build (kept between runs so that only what changed
# recompiles) and mutated there. Results: one line per mutant on stdout, logs in
# DIR/logs, and the same table in Markdown in DIR/mutants.md.
# Exit status: 0 when the run completed (whatever the rate), 2 on usage or setup
# errors, including a test program that fails before any mutation.
set -euo pipefail
# Replacement texts are literal; bash 5.2 would otherwise expand '&' in them.
shopt -u patsub_replacement 2>/dev/null || true

# The test programs a mutant may name, fastest first.
readonly PROGRAMS=(Pellisk_halfedge_algo_tests Pellisk_halfedge_tests Pellisk_progress_tests
  Pellisk_api_tests Pellisk_refinement_tests Pellisk_voxelization_tests Pellisk_support_tests Pellisk_svo_tests
  Pellisk_platform_tests Pellisk_tools_tests Pellisk_batch_tests Pellisk_tessellation_tests
  Pellisk_realwrap_tests)

usage()
{
  sed -n '/^# Usage:/,/^# PELLISK_MUTANT_TIMEOUT/s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"
}

fail_usage()
{
  echo "mutants.sh: $*" >&2
  usage >&2
  exit 2
}

fail_setup()
{
  echo "mutants.sh: $*" >&2
  exit 2
}

note()
{
  echo "mutants.sh: $*" >&2
}

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd -P)
list_file="$script_dir/mutants.list"
top=$(git -C "$script_dir" rev-parse --show-toplevel 2>/dev/null) ||
  fail_setup "$script_dir is not inside a git checkout"
top=$(cd "$top" && pwd -P)

tests_from=""
only=""
list_only=0
work="${TMPDIR:-/tmp}/pellisk-mutants"
jobs=2
timeout_s="${PELLISK_MUTANT_TIMEOUT:-300}"

while (($# > 0)); do
  case "$1" in
  --tests-from | --only | --work | --jobs)
    (($# >= 2)) || fail_usage "$1 needs a value"
    case "$1" in
    --tests-from) tests_from=$2 ;;
    --only) only=$2 ;;
    --work) work=$2 ;;
    --jobs) jobs=$2 ;;
    esac
    shift 2
    ;;
  --tests-from=*) tests_from=${1#*=} && shift ;;
  --only=*) only=${1#*=} && shift ;;
  --work=*) work=${1#*=} && shift ;;
  --jobs=*) jobs=${1#*=} && shift ;;
  --list) list_only=1 && shift ;;
  -h | --help)
    usage
    exit 0
    ;;
  *) fail_usage "unknown argument: $1" ;;
  esac
done
[[ $jobs =~ ^[1-9][0-9]*$ ]] || fail_usage "--jobs wants a positive number, not '$jobs'"
[[ $timeout_s =~ ^[1-9][0-9]*$ ]] || fail_usage "PELLISK_MUTANT_TIMEOUT wants a positive number of seconds"
[[ -n $work ]] || fail_usage "--work wants a folder"
[[ -f $list_file ]] || fail_setup "no mutant list at $list_file"

# ---------------------------------------------------------------------------
# The mutant list. A record is a header line
#   @@ ID | FILE | PROGRAM [PROGRAM...] | one-line description
# then the original text between '<<<' and '===', the replacement between
# '===' and '>>>'. Text lines are taken verbatim (leading blanks included) and
# joined with newlines; the original may be part of a line. Lines starting with
# '#' outside a record are comments.
m_id=() m_file=() m_tests=() m_desc=() m_from=() m_to=()

trim()
{
  local aText=$1
  aText=${aText#"${aText%%[![:space:]]*}"}
  aText=${aText%"${aText##*[![:space:]]}"}
  printf '%s' "$aText"
}

is_program()
{
  local aName
  for aName in "${PROGRAMS[@]}"; do
    [[ $aName == "$1" ]] && return 0
  done
  return 1
}

parse_list()
{
  local aLine aState=outside aNumber=0 aHeader=0 aFrom="" aTo="" aNbFrom=0 aNbTo=0
  local anId aFile aTests aDesc aRest aProgram
  while IFS= read -r aLine || [[ -n $aLine ]]; do
    aNumber=$((aNumber + 1))
    case "$aState" in
    outside)
      [[ -z $(trim "$aLine") || $aLine == \#* ]] && continue
      [[ $aLine == '@@ '* ]] || fail_setup "$list_file:$aNumber: expected a '@@' header"
      aRest=${aLine#@@ }
      IFS='|' read -r anId aFile aTests aDesc <<<"$aRest"
      anId=$(trim "$anId")
      aFile=$(trim "$aFile")
      aTests=$(trim "$aTests")
      aDesc=$(trim "$aDesc")
      [[ -n $anId && -n $aFile && -n $aTests && -n $aDesc ]] ||
        fail_setup "$list_file:$aNumber: a header needs id | file | programs | description"
      [[ $anId =~ ^[A-Za-z0-9_-]+$ ]] || fail_setup "$list_file:$aNumber: bad id '$anId'"
      for aProgram in $aTests; do
        is_program "$aProgram" || fail_setup "$list_file:$aNumber: unknown test program '$aProgram'"
      done
      for aRest in "${m_id[@]}"; do
        [[ $aRest != "$anId" ]] || fail_setup "$list_file:$aNumber: id '$anId' used twice"
      done
      aHeader=$aNumber
      aState=header
      ;;
    header)
      [[ $aLine == '<<<' ]] || fail_setup "$list_file:$aNumber: expected '<<<' after the header"
      aFrom="" aNbFrom=0 aState=from
      ;;
    from)
      if [[ $aLine == '===' ]]; then
        aTo="" aNbTo=0 aState=to
      else
        if ((aNbFrom == 0)); then
          aFrom=$aLine
        else
          aFrom+=$'\n'$aLine
        fi
        aNbFrom=$((aNbFrom + 1))
      fi
      ;;
    to)
      if [[ $aLine == '>>>' ]]; then
        [[ -n $aFrom ]] || fail_setup "$list_file:$aHeader: empty original text"
        [[ $aFrom != "$aTo" ]] || fail_setup "$list_file:$aHeader: replacement equals the original"
        m_id+=("$anId") m_file+=("$aFile") m_tests+=("$aTests") m_desc+=("$aDesc")
        m_from+=("$aFrom") m_to+=("$aTo")
        aState=outside
      else
        if ((aNbTo == 0)); then
          aTo=$aLine
        else
          aTo+=$'\n'$aLine
        fi
        aNbTo=$((aNbTo + 1))
      fi
      ;;
    esac
  done <"$list_file"
  [[ $aState == outside ]] || fail_setup "$list_file:$aHeader: record not closed with '>>>'"
  ((${#m_id[@]} > 0)) || fail_setup "$list_file holds no mutant"
}

parse_list

# Mutants to run, as positions in the list.
selected=()
if [[ -n $only ]]; then
  IFS=',' read -r -a wanted <<<"$only"
  for anId in "${wanted[@]}"; do
    anId=$(trim "$anId")
    [[ -n $anId ]] || continue
    found=-1
    for i in "${!m_id[@]}"; do
      [[ ${m_id[i]} == "$anId" ]] && found=$i
    done
    ((found >= 0)) || fail_usage "no mutant with id '$anId' (see --list)"
    selected+=("$found")
  done
  ((${#selected[@]} > 0)) || fail_usage "--only names no mutant"
else
  selected=("${!m_id[@]}")
fi

# Number of occurrences of $2 in the contents $1.
count_in()
{
  local aRest=${1//"$2"/}
  echo $(((${#1} - ${#aRest}) / ${#2}))
}

# Reads a file into $content, trailing newlines included (a command
# substitution would drop them).
read_file()
{
  content=""
  IFS= read -r -d '' content <"$1" || true
}

if ((list_only)); then
  # Checked against the checkout's own sources: the list must match them.
  for i in "${selected[@]}"; do
    aStatus=ok
    if [[ ! -f $top/${m_file[i]} ]]; then
      aStatus="STALE (no such file)"
    else
      read_file "$top/${m_file[i]}"
      aCount=$(count_in "$content" "${m_from[i]}")
      ((aCount == 1)) || aStatus="STALE (found $aCount times)"
    fi
    printf '%-8s %-52s %s\n' "${m_id[i]}" "${m_file[i]}" "${m_desc[i]}"
    printf '%-8s programs: %s; %s\n' "" "${m_tests[i]}" "$aStatus"
  done
  echo "${#selected[@]} mutants"
  exit 0
fi

# ---------------------------------------------------------------------------
# Work folder: DIR/src is the copy, DIR/build its build, DIR/logs the logs.
if [[ -n $tests_from ]]; then
  git -C "$top" rev-parse --verify --quiet "$tests_from^{commit}" >/dev/null ||
    fail_usage "--tests-from: '$tests_from' is no revision of $top"
  git -C "$top" cat-file -e "$tests_from:tests" 2>/dev/null ||
    fail_setup "--tests-from: revision '$tests_from' has no tests/ folder"
fi

# A work folder inside the checkout would be copied into itself.
[[ $work == /* ]] || work="$PWD/$work"
case "$work/" in
"$top"/*) fail_setup "the work folder must lie outside the checkout ($top)" ;;
esac
mkdir -p "$work" || fail_setup "cannot create the work folder $work"
work=$(cd "$work" && pwd -P)
case "$work/" in
"$top"/*) fail_setup "the work folder must lie outside the checkout ($top)" ;;
esac
src="$work/src"
build="$work/build"
logs="$work/logs"
stage="$work/stage"
mkdir -p "$src" "$logs"
rm -f "$logs"/*.log

# Two runs sharing a work folder would mutate each other's copy.
if command -v flock >/dev/null 2>&1; then
  exec 9>"$work/.lock"
  flock -n 9 || fail_setup "another run is using $work"
fi

# Lays the files to test out in DIR/stage: the checkout's files (tracked, and
# untracked unless ignored, as they are on disk), tests/ from REV if asked.
make_stage()
{
  rm -rf "$stage"
  mkdir -p "$stage"
  (
    cd "$top"
    git ls-files -z --cached --others --exclude-standard |
      while IFS= read -r -d '' aPath; do
        # Deleted but not yet staged: the working tree is what is tested.
        if [[ -f $aPath || -L $aPath ]]; then
          printf '%s\0' "$aPath"
        fi
      done |
      tar --null --no-recursion -T - -cf -
  ) | tar -xf - -C "$stage"
  if [[ -n $tests_from ]]; then
    rm -rf "$stage/tests"
    git -C "$top" archive "$tests_from" tests | tar -xf - -C "$stage"
  fi
}

# Makes DIR/src equal to DIR/stage. Only files whose contents differ are
# written, and they get a fresh modification time: a file restored after an
# interrupted run is then newer than the objects built from its mutant, so the
# build recompiles it, while unchanged files keep their objects.
sync_copy()
{
  local aPath
  (cd "$stage" && find . \( -type f -o -type l \) -print0) |
    while IFS= read -r -d '' aPath; do
      if [[ -L $stage/$aPath ]]; then
        if [[ ! -L $src/$aPath || $(readlink "$stage/$aPath") != "$(readlink "$src/$aPath")" ]]; then
          mkdir -p "$(dirname "$src/$aPath")"
          rm -rf "${src:?}/$aPath"
          cp -P "$stage/$aPath" "$src/$aPath"
        fi
      elif [[ -L $src/$aPath || ! -f $src/$aPath ]] || ! cmp -s "$stage/$aPath" "$src/$aPath"; then
        mkdir -p "$(dirname "$src/$aPath")"
        rm -rf "${src:?}/$aPath"
        cp "$stage/$aPath" "$src/$aPath"
      fi
    done
  (cd "$src" && find . \( -type f -o -type l \) -print0) |
    while IFS= read -r -d '' aPath; do
      if [[ ! -e $stage/$aPath && ! -L $stage/$aPath ]]; then
        rm -f "${src:?}/$aPath"
      fi
    done
  find "$src" -mindepth 1 -depth -type d -empty -delete
}

note "copying $top to $src${tests_from:+ (tests/ from $tests_from)}"
make_stage
sync_copy
rm -rf "$stage"

# The file being mutated, restored on any exit (an interrupted run included).
current_file=""
current_original=""
restore_current()
{
  if [[ -n $current_file ]]; then
    printf '%s' "$current_original" >"$current_file"
    current_file=""
  fi
}
trap restore_current EXIT
trap 'restore_current; exit 130' INT
trap 'restore_current; exit 143' TERM

# ---------------------------------------------------------------------------
# Configure and build everything once.
cmake_args=(-S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELLISK_BUILD_TESTS=ON
  -DPELLISK_BUILD_TOOLS=ON -DPELLISK_BUILD_BENCHMARKS=OFF)
if command -v ccache >/dev/null 2>&1; then
  cmake_args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
note "configuring $build"
cmake "${cmake_args[@]}" >"$logs/configure.log" 2>&1 ||
  fail_setup "configuring failed, see $logs/configure.log (a build folder of another generator? remove $build)"
note "building everything (-j $jobs)"
cmake --build "$build" -j "$jobs" >"$logs/build.log" 2>&1 ||
  fail_setup "the unmutated sources do not build, see $logs/build.log"

# Runs one test program; 0 when it passes. A time-out is a failure, so a
# mutant that makes a test hang counts as caught. The first failing test ends
# the program: one failure is all a verdict needs.
run_program()
{
  local aProgram=$1 aLog=$2
  (cd "$build" && GTEST_FAIL_FAST=1 GTEST_BRIEF=1 timeout -k 10 "$timeout_s" "bin/$aProgram") >"$aLog" 2>&1
}

# Programs the selected mutants name, in the order of PROGRAMS.
needed=()
for aProgram in "${PROGRAMS[@]}"; do
  for i in "${selected[@]}"; do
    if [[ " ${m_tests[i]} " == *" $aProgram "* ]]; then
      needed+=("$aProgram")
      break
    fi
  done
done

# A mutant run on a red suite means nothing.
for aProgram in "${needed[@]}"; do
  note "unmutated run of $aProgram"
  [[ -x $build/bin/$aProgram ]] || fail_setup "$build/bin/$aProgram was not built"
  aStart=$SECONDS
  if ! run_program "$aProgram" "$logs/unmutated.$aProgram.log"; then
    fail_setup "$aProgram fails without any mutation (see $logs/unmutated.$aProgram.log): fix the tests first"
  fi
  note "  passed in $((SECONDS - aStart)) s"
done

# ---------------------------------------------------------------------------
# The mutants.
r_verdict=() r_detail=()
nb_killed=0 nb_survived=0 nb_invalid=0 nb_stale=0

report_line()
{
  local i=$1
  printf '%-8s %-9s %-52s %s  [%s]\n' "${m_id[i]}" "${r_verdict[i]}" "${m_file[i]}" "${m_desc[i]}" \
    "${r_detail[i]}"
}

for i in "${selected[@]}"; do
  anId=${m_id[i]}
  aFile="$src/${m_file[i]}"
  aStart=$SECONDS
  aCount=0
  if [[ -f $aFile ]]; then
    read_file "$aFile"
    aCount=$(count_in "$content" "${m_from[i]}")
  fi
  if ((aCount != 1)); then
    # The source moved on: the list needs updating, and the mutant is counted
    # apart so that the rate is not quietly computed over fewer mutants.
    r_verdict[i]=STALE
    r_detail[i]="original text found $aCount times"
    nb_stale=$((nb_stale + 1))
    report_line "$i"
    continue
  fi
  note "mutant $anId: ${m_desc[i]}"
  current_original=$content
  current_file=$aFile
  printf '%s' "${content/"${m_from[i]}"/"${m_to[i]}"}" >"$aFile"
  read -r -a aPrograms <<<"${m_tests[i]}"
  if ! cmake --build "$build" -j "$jobs" --target Pellisk "${aPrograms[@]}" >"$logs/$anId.build.log" 2>&1; then
    r_verdict[i]=INVALID
    r_detail[i]="does not build, see logs/$anId.build.log"
    nb_invalid=$((nb_invalid + 1))
  else
    r_verdict[i]=SURVIVED
    r_detail[i]="all of ${aPrograms[*]} pass"
    for aProgram in "${aPrograms[@]}"; do
      aStatus=0
      run_program "$aProgram" "$logs/$anId.$aProgram.log" || aStatus=$?
      if ((aStatus != 0)); then
        r_verdict[i]=KILLED
        r_detail[i]="by $aProgram"
        if ((aStatus == 124 || aStatus == 137)); then
          r_detail[i]+=" (time-out)"
        fi
        break
      fi
    done
    if [[ ${r_verdict[i]} == KILLED ]]; then
      nb_killed=$((nb_killed + 1))
    else
      nb_survived=$((nb_survived + 1))
    fi
  fi
  restore_current
  r_detail[i]+=", $((SECONDS - aStart)) s"
  report_line "$i"
done

nb_valid=$((nb_killed + nb_survived))
if ((nb_valid > 0)); then
  rate=$(awk -v k="$nb_killed" -v n="$nb_valid" 'BEGIN { printf "%.1f", 100 * k / n }')
else
  rate="n/a"
fi
summary="killed $nb_killed of $nb_valid ($rate %), $nb_survived survived, $nb_invalid invalid, $nb_stale stale"
echo "$summary"

# The same table for bench/RESULTS.md.
{
  if [[ -n $tests_from ]]; then
    echo "Tests: tests/ of $tests_from ($(git -C "$top" rev-parse --short "$tests_from^{commit}")); library: working tree of $(git -C "$top" rev-parse --short HEAD)."
  else
    echo "Tests and library: working tree of $(git -C "$top" rev-parse --short HEAD)."
  fi
  echo
  echo "| id | verdict | file | mutation | detail |"
  echo "| --- | --- | --- | --- | --- |"
  for i in "${selected[@]}"; do
    printf "| %s | %s | \`%s\` | %s | %s |\n" "${m_id[i]}" "${r_verdict[i]}" "${m_file[i]}" \
      "${m_desc[i]//|/\\|}" "${r_detail[i]}"
  done
  echo
  echo "$summary"
} >"$work/mutants.md"
note "table written to $work/mutants.md, logs in $logs"
exit 0

#!/usr/bin/env bash
# The cluster path of ensembles, proven on this machine:
#   cluster_test.sh parallel BATCH   shards through GNU parallel merge to one process's files
#   cluster_test.sh slurm BATCH      a single-node Slurm started here runs the job array and
#                                    the dependent merge to the same files
# Exit 77 (a skip) with the reason printed when Slurm cannot be started here.
set -euo pipefail
mode=$1
batch=$(realpath "$2")
src=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/orvek-cluster.XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# A start folder with the example, and a table of 7 rows of which one fails.
start=$work/start
mkdir -p "$start"
for f in Parameter.Orvek Option.Orvek Substrates.Orvek Example.stg milwaukee_1991_2020_daily.wth; do
    cp "$src/data/$f" "$start/"
done
{
    echo "id,settings,q10,texture,end"
    for i in 1 2 3 4 5 6; do
        echo "row$i,Example.stg,1.$((i + 3)),$([ $((i % 2)) = 0 ] && echo clay || echo sand),"
    done
    echo "late,Example.stg,,,2031-01-01"
} > "$start/runs.csv"
options=(--vary soil_c=uniform:10:15 --vary som_r=normal:0.02:0.002 --samples 4 --seed 2026)
cd "$start"
status=0
"$batch" --runs runs.csv --out "$work/one" "${options[@]}" > /dev/null || status=$?
[ "$status" -eq 1 ] || { echo "one process: exit $status, expected 1"; exit 1; }

same() {
    local got=$1
    for f in summary.csv bands.csv; do
        if ! cmp -s "$work/one/$f" "$got/$f"; then
            echo "FAIL: $got/$f differs from one process's"
            diff <(head -20 "$work/one/$f") <(head -20 "$got/$f") || true
            exit 1
        fi
    done
    echo "same summary.csv and bands.csv as one process: $got"
}

if [ "$mode" = parallel ]; then
    ORVEK_BATCH=$batch "$src/scripts/cluster/run-parallel" runs.csv "$work/par" 3 "${options[@]}"
    same "$work/par/merged"
    exit 0
fi

# --- A single-node Slurm on localhost, private to this test --------------------------------
skip() {
    echo "SKIPPED: $*"
    exit 77
}
[ "$(id -u)" = 0 ] || skip "Slurm's daemons need root here"
command -v slurmctld > /dev/null && command -v slurmd > /dev/null && command -v munged > /dev/null ||
    skip "slurm-wlm or munge is not installed"
host=$(hostname -s)
free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
mkdir -p "$work/munge" "$work/state" "$work/spool" "$work/log" /run/munge
chown munge: "$work/munge" /run/munge /var/log/munge /var/lib/munge /etc/munge
socket=$work/munge/munge.socket
runuser -u munge -- munged --force --socket="$socket" --pid-file="$work/munge/munged.pid" \
    --log-file="$work/munge/munged.log" --seed-file="$work/munge/munged.seed" ||
    skip "munged did not start: $(tail -3 "$work/munge/munged.log" 2>/dev/null)"
for _ in $(seq 50); do
    [ -s "$work/munge/munged.pid" ] && break
    sleep 0.1
done
pids+=("$(cat "$work/munge/munged.pid")")
ctld_port=$(free_port)
d_port=$(free_port)
export SLURM_CONF=$work/slurm.conf
cat > "$SLURM_CONF" << CONF
ClusterName=orvektest
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$d_port
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$socket
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
JobAcctGatherType=jobacct_gather/none
MpiDefault=none
ReturnToService=2
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
NodeName=$host NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN
PartitionName=test Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
slurmctld -D -c -i -f "$SLURM_CONF" > "$work/log/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" > "$work/log/slurmd.out" 2>&1 &
pids+=($!)
ready=
for _ in $(seq 100); do
    if sinfo -h -o %T 2>/dev/null | grep -qE '^(idle|mixed|allocated)'; then
        ready=1
        break
    fi
    sleep 0.2
done
[ -n "$ready" ] || skip "Slurm did not start: $(tail -3 "$work/log/slurmctld.log" "$work/log/slurmd.log" 2>/dev/null | tr '\n' ' ')"

read -r array merge < <(ORVEK_BATCH=$batch "$src/scripts/cluster/submit-slurm" runs.csv \
    "$work/slurm" 3 "${options[@]}")
echo "array job $array, merge job $merge"
state=
for _ in $(seq 600); do
    state=$(scontrol -o show job "$merge" 2>/dev/null | sed -n 's/.*JobState=\([A-Z_]*\).*/\1/p')
    case "$state" in
    COMPLETED | FAILED | CANCELLED | TIMEOUT | NODE_FAIL | OUT_OF_MEMORY) break ;;
    esac
    sleep 0.2
done
if [ "$state" != COMPLETED ]; then
    echo "FAIL: merge job ended as '$state'"
    cat "$work"/slurm/slurm-*.out 2>/dev/null | tail -20 || true
    exit 1
fi
ls "$work/slurm"
same "$work/slurm/merged"

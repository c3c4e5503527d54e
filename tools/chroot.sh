# Sourced by tools/portability, tools/portmaster and tools/libretro: Debian
# chroots made with debootstrap, cached while their package list is
# unchanged, ways of running commands in them, and the symbol versions what
# was built in them needs. The caller sets root (the chroot's path),
# arch (the foreign architecture its apt adds), packages, and may set
# release (the Debian release, this machine's own when empty) and
# binfmt_register (the binfmt_misc registrations, one a line, that
# in_root_sandbox makes for the programs it runs); it defines say and die.

# The Debian archives this machine's apt uses for its own release, as
# "deb <site> <suite> <component>" lines, with the suites renamed for
# $release when that is another. release_suites names the suites to keep
# ("-updates -security" by default, "" for the release alone).
debian_sources() {
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    apt-get indextargets --format '$(TARGET_OF) $(SITE) $(RELEASE) $(COMPONENT)' |
        awk -v c="$codename" -v r="${release:-$codename}" -v extra="${release_suites--updates -security}" '
            BEGIN { wanted[c] = 1; n = split(extra, e, " "); for (i = 1; i <= n; i++) wanted[c e[i]] = 1 }
            $1 == "deb" && ($3 in wanted) { sub("^" c, r, $3); print }' |
        sort -u
}

# apt's own retries of each file, then, for a mirror caught mid-sync ("File
# has unexpected size ... Mirror sync in progress?"), which apt does not
# retry, a pause and one more try of the whole command.
APT_RETRIES="-o Acquire::Retries=3"
retrying() {
    "$@" && return 0
    say "${arch:-}: '$*' failed; trying again in ${VLIM_APT_PAUSE:-60} s" >&2
    sleep "${VLIM_APT_PAUSE:-60}"
    "$@"
}

# apt-get in the chroot, retrying as above.
root_apt() {
    # shellcheck disable=SC2086  # options
    retrying in_root apt-get $APT_RETRIES "$@"
}

# Everything mounted at or below the chroot, deepest first.
root_mounts() {
    awk -v r="$root" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/mounts | sort -r
}

unmount_root() {
    for mount_point in $(root_mounts); do
        umount -l "$mount_point"
    done
}

# Runs a command in the chroot as root, with /proc and /dev mounted for it:
# for apt-get.
in_root() {
    unmount_root
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    mounted=yes
    in_root_status=0
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LC_ALL=C.UTF-8 \
        PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive VLIM_BINFMT=no "$@" || in_root_status=$?
    unmount_root
    mounted=no
    return $in_root_status
}

# Runs a command in the chroot inside a user, mount and PID namespace of its
# own, whose mounts vanish with it. Where the kernel gives such a namespace a
# binfmt_misc of its own (Linux 6.7 on), ARM executables are registered
# there ($binfmt_register) to run under qemu, so tests can start ARM programs, and
# VLIM_BINFMT=yes is set; nothing of that reaches the rest of the machine.
in_root_sandbox() {
    unshare --user --map-root-user --mount --pid --fork -- sh -c '
        set -eu
        root=$1 register=$2
        shift 2
        mount -t proc proc "$root/proc" 2>/dev/null || mount --rbind /proc "$root/proc"
        mount --rbind /dev "$root/dev"
        mkdir -p "$root/run/binfmt"
        binfmt=no
        if mount -t binfmt_misc binfmt_misc "$root/run/binfmt" 2>/dev/null; then
            binfmt=yes
            printf "%s\n" "$register" | while read -r line; do
                printf "%s" "$line" >"$root/run/binfmt/register" || exit 1
            done || binfmt=no
        fi
        exec chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LC_ALL=C.UTF-8 \
            PATH=/usr/sbin:/usr/bin:/sbin:/bin VLIM_BINFMT=$binfmt "$@"' \
        sh "$root" "$binfmt_register" "$@"
}

# debootstrap into an empty $root ($1 the release, $2 the mirror): a try
# that failed half-way leaves a tree that a second one cannot finish.
fresh_debootstrap() {
    unmount_root
    rm -rf --one-file-system "$root"
    mkdir -p "$root"
    debootstrap --variant=minbase "$1" "$root" "$2" >"$root.debootstrap.log" 2>&1
}

make_root() {
    [ -s "$root/.vlim-packages" ] && [ "$(cat "$root/.vlim-packages")" = "$packages" ] && return 0
    if [ -e "$root" ]; then
        # Nothing may be mounted below a tree about to be deleted.
        unmount_root
        [ -z "$(root_mounts)" ] || die "cannot unmount $(root_mounts)"
        rm -rf --one-file-system "$root"
    fi
    command -v debootstrap >/dev/null || apt_install debootstrap
    sources=$(debian_sources)
    codename=${release:-$(. /etc/os-release && echo "$VERSION_CODENAME")}
    mirror=$(echo "$sources" | awk -v c="$codename" '$3 == c { print $2; exit }')
    [ -n "$mirror" ] || die "no Debian archive for $codename in apt's sources"
    say "$arch: creating the chroot in $root"
    mkdir -p "$root"
    mounted=yes
    retrying fresh_debootstrap "$codename" "$mirror" || {
        tail -n 20 "$root.debootstrap.log" >&2
        exit 1
    }
    unmount_root
    mounted=no
    rm -f "$root.debootstrap.log"
    echo "$sources" >"$root/etc/apt/sources.list"
    # Fetch as this machine's apt does (proxies, date checks).
    cp /etc/apt/apt.conf.d/* "$root/etc/apt/apt.conf.d/" 2>/dev/null || true
    # Only the package lists: no translations to fetch (or to catch mid-sync).
    echo 'Acquire::Languages "none";' >"$root/etc/apt/apt.conf.d/90vlim-lists"
    in_root dpkg --add-architecture "$arch"
    # A suite whose index stays broken (a mirror here served bookworm-
    # security's armhf index at the wrong size for an afternoon) is left out
    # below like one without an index; the release's own must be there.
    root_apt update -q >/dev/null ||
        say "$arch: some package lists could not be fetched; their suites are left out" >&2
    # A Multi-Arch: same library must be the same version for both
    # architectures, so a suite that the mirror serves without an index for
    # the target (as one here serves security updates without armel's)
    # would break the install: such suites are left out.
    kept=$(echo "$sources" | while read -r type site suite component; do
        lists=$(ls "$root/var/lib/apt/lists/"*"_dists_$(echo "$suite" | tr / _)_${component}_binary-${arch}_Packages"* 2>/dev/null || true)
        if [ -n "$lists" ]; then echo "$type $site $suite $component"; else say "$arch: no $arch index in $suite: left out" >&2; fi
    done)
    if [ "$kept" != "$sources" ]; then
        echo "$kept" >"$root/etc/apt/sources.list"
        root_apt update -q >/dev/null
    fi
    # The tree is thrown away whole if anything goes wrong: no fsync needed.
    # shellcheck disable=SC2086  # a list of packages
    root_apt install -y --no-install-recommends -o Dpkg::Options::=--force-unsafe-io \
        $packages >/dev/null
    in_root apt-get clean
    echo "$packages" >"$root/.vlim-packages"
}

# The versions of library $2 (GLIBC, GLIBCXX) that ELF file $1 needs, oldest
# first. A weak version is not needed: the loader goes on without it.
needed_versions() {
    readelf -V "$1" | grep -v 'Flags: WEAK' | sed -n "s/.*Name: $2_\([0-9.]*\).*/\1/p" | sort -u -V
}

# The versions on standard input newer than $1.
newer_than() {
    awk -v limit="$1" '
        function cmp(a, b,   x, y, n, i) {
            n = split(a, x, "."); split(b, y, ".")
            for (i = 1; i <= 3; i++) if (x[i] + 0 != y[i] + 0) return x[i] + 0 - (y[i] + 0)
            return 0 }
        NF && cmp($1, limit) > 0 { print }' | tr '\n' ' '
}

# Sourced by the Wine test scripts with BUILD_DIR set: the environment every
# Windows test process runs in, and the one-time set-up behind it.
#   - a Wine prefix of its own under the build directory, made once;
#   - no Wine debug output, no offers to install Mono or Gecko;
#   - a Japanese locale (VENDRIT_WINE_LOCALE overrides it), generated into
#     the build directory when the system does not have it.

: "${BUILD_DIR:?BUILD_DIR must be set}"
export WINEPREFIX="${WINEPREFIX:-$BUILD_DIR/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

vendrit_locale="${VENDRIT_WINE_LOCALE:-ja_JP.UTF-8}"
case "$vendrit_locale" in
  ja_JP.UTF-8)
    if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
      if [ ! -e "$BUILD_DIR/locale/ja_JP.UTF-8/LC_CTYPE" ]; then
        mkdir -p "$BUILD_DIR/locale"
        localedef -i ja_JP -f UTF-8 "$BUILD_DIR/locale/ja_JP.UTF-8" >/dev/null 2>&1 || true
      fi
      export LOCPATH="$BUILD_DIR/locale"
    fi
    ;;
esac
export LC_ALL="$vendrit_locale"
export LANG="$vendrit_locale"

# Makes the prefix on first use; later calls find it ready.
vendrit_wine_prefix() {
  mkdir -p "$BUILD_DIR"
  (
    flock -w 300 9 || exit 1
    if [ ! -e "$WINEPREFIX/.vendrit-ready" ]; then
      timeout 300 wine wineboot -i >/dev/null 2>&1 || exit 1
      timeout 120 wineserver -w
      touch "$WINEPREFIX/.vendrit-ready"
    fi
  ) 9>"$BUILD_DIR/wineprefix.lock"
}

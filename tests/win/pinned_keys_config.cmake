# Finishes the signed test builds' build_config.h with the keys that
# sign_standins.sh made: cmake -DKEYS=pinned_keys -DIN=... -DOUT=... -P this.
file(READ "${KEYS}" MEROVIX_INSTALLER_SIGNER_KEYS_LITERAL)
string(STRIP "${MEROVIX_INSTALLER_SIGNER_KEYS_LITERAL}" MEROVIX_INSTALLER_SIGNER_KEYS_LITERAL)
configure_file("${IN}" "${OUT}" @ONLY)

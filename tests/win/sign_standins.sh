#!/usr/bin/env bash
# Makes the files of the signature tests from a stand-in program, with a test
# CA and certificates made now (in no root store):
#   unsigned.exe  the stand-in as it is
#   maker.exe     signed by MAKER_NAME ("Merovix Prüfstelle GmbH")
#   tampered.exe  maker.exe with one byte of its code changed after signing
#   foreign.exe   signed by a look-alike name: MAKER_NAME without its last word
#   text.exe      not a program at all
#   sign_standins.sh OUT_FOLDER STANDIN_EXE MAKER_NAME
set -euo pipefail
out=$1
standin=$2
maker_name=$3
work="$out.tmp"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Merovix Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign" \
  -keyout ca.key -out ca.crt 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext

# issue NAME COMMON_NAME: NAME.key and NAME.pem (the certificate, then the CA's).
issue() {
  openssl req -utf8 -newkey rsa:2048 -nodes -subj "/CN=$2" -keyout "$1.key" -out "$1.csr" 2>/dev/null
  openssl x509 -req -in "$1.csr" -CA ca.crt -CAkey ca.key -CAcreateserial -days 3650 -extfile signer.ext \
    -out "$1.crt" 2>/dev/null
  cat "$1.crt" ca.crt >"$1.pem"
}
sign() {
  osslsigncode sign -certs "$1.pem" -key "$1.key" -n "Merovix Update" -h sha256 -in "$standin" -out "$2" >/dev/null
}

issue maker "$maker_name"
issue foreign "${maker_name% *}"
cp "$standin" unsigned.exe
sign maker maker.exe
sign foreign foreign.exe
# One byte of the code (well past the headers, long before the signature).
cp maker.exe tampered.exe
offset=4096
byte=$(od -An -tu1 -j "$offset" -N1 tampered.exe | tr -d ' ')
printf "\\$(printf '%03o' $((byte ^ 0x55)))" | dd of=tampered.exe bs=1 seek="$offset" conv=notrunc 2>/dev/null
printf 'no program at all\r\n' >text.exe

mkdir -p "$out"
mv unsigned.exe maker.exe tampered.exe foreign.exe text.exe "$out/"
cd / && rm -rf "$work"

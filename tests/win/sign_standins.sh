#!/usr/bin/env bash
# Makes the files of the signature tests from a stand-in program, with a test
# CA and certificates made now (in no root store):
#   unsigned.exe  the stand-in as it is
#   maker.exe     signed by MAKER_NAME ("Merovix Prüfstelle GmbH")
#   tampered.exe  maker.exe with one byte of its code changed after signing
#   foreign.exe   signed by a look-alike name: MAKER_NAME without its last word
#   otherca.exe   signed by MAKER_NAME, a certificate of another CA with a key of its own
#   selfmade.exe  signed by MAKER_NAME, a self-signed certificate with a key of its own
#   twonames.exe  signed with the maker's key, a certificate with two CNs: MAKER_NAME and another
#   text.exe      not a program at all
# and the SHA-256 digests of the signers' public keys (SubjectPublicKeyInfo,
# DER), computed as a maker would: maker.pin, otherca.pin, selfmade.pin,
# next.pin (a key that signs nothing, as the next key of a key change would),
# and pinned_keys, "NEXT;MAKER", which the signed test builds pin.
#   sign_standins.sh OUT_FOLDER STANDIN_EXE MAKER_NAME
set -euo pipefail
out=$1
standin=$2
maker_name=$3
work="$out.tmp"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

# ca NAME COMMON_NAME: a CA's NAME.key and NAME.crt.
ca() {
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=$2" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign" \
    -keyout "$1.key" -out "$1.crt" 2>/dev/null
}
ca ca "Merovix Test CA"
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext

# issue NAME SUBJECT [CA [KEY]]: NAME.key (KEY.key's copy, or new) and NAME.pem
# (the certificate, then the CA's; by default the test CA).
issue() {
  local ca=${3:-ca}
  if [ -n "${4:-}" ]; then cp "$4.key" "$1.key"; else openssl genrsa -out "$1.key" 2048 2>/dev/null; fi
  openssl req -utf8 -new -key "$1.key" -subj "$2" -out "$1.csr" 2>/dev/null
  openssl x509 -req -in "$1.csr" -CA "$ca.crt" -CAkey "$ca.key" -CAcreateserial -days 3650 -extfile signer.ext \
    -out "$1.crt" 2>/dev/null
  cat "$1.crt" "$ca.crt" >"$1.pem"
}
# pin CERT: the digest of the certificate's public key.
pin() {
  openssl x509 -in "$1" -pubkey -noout | openssl pkey -pubin -outform der | openssl dgst -sha256 | awk '{print $NF}'
}
sign() {
  osslsigncode sign -certs "$1.pem" -key "$1.key" -n "Merovix Update" -h sha256 -in "$standin" -out "$2" >/dev/null
}

issue maker "/CN=$maker_name"
issue foreign "/CN=${maker_name% *}"
# Another CA, as an inspection root installed on a PC would be.
ca inspection "Merovix Inspection CA"
issue otherca "/CN=$maker_name" inspection
openssl req -utf8 -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=$maker_name" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
  -keyout selfmade.key -out selfmade.crt 2>/dev/null
cp selfmade.crt selfmade.pem
issue twonames "/CN=$maker_name/CN=Merovix Other" ca maker
ca next "$maker_name"
cp "$standin" unsigned.exe
sign maker maker.exe
sign foreign foreign.exe
sign otherca otherca.exe
sign selfmade selfmade.exe
sign twonames twonames.exe
for name in maker otherca selfmade next; do pin "$name.crt" >"$name.pin"; done
printf '%s;%s\n' "$(cat next.pin)" "$(cat maker.pin)" >pinned_keys
# One byte of the code (well past the headers, long before the signature).
cp maker.exe tampered.exe
offset=4096
byte=$(od -An -tu1 -j "$offset" -N1 tampered.exe | tr -d ' ')
printf "\\$(printf '%03o' $((byte ^ 0x55)))" | dd of=tampered.exe bs=1 seek="$offset" conv=notrunc 2>/dev/null
printf 'no program at all\r\n' >text.exe

mkdir -p "$out"
mv unsigned.exe maker.exe tampered.exe foreign.exe otherca.exe selfmade.exe twonames.exe text.exe ./*.pin pinned_keys \
  "$out/"
cd / && rm -rf "$work"

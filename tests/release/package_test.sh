#!/usr/bin/env bash
# The package as it ships: every program in it signed by the certificate the build used, a signature
# that breaks with one changed byte, a development certificate that says so, and a zip that holds
# exactly the staged package. Usage: package_test.sh <build folder> <java>
set -u
BUILD=$1
JAVA=$2
STAGE=$BUILD/package
SIGNER=$BUILD/signing/signer.pem
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
source "$(dirname "$0")/../support/check.sh"

verifies() { osslsigncode verify -CAfile "$SIGNER" -in "$1" >"$WORK/verify.log" 2>&1; }
fails_to_verify() { ! verifies "$1"; }
is_pe() { [ "$(head -c 2 "$1")" = "MZ" ]; }
list_files() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }

# Flips every bit of the byte at offset $2 of file $1.
flip_byte() {
  local byte
  byte=$(od -An -tu1 -j "$2" -N 1 "$1" | tr -d ' ')
  printf "\\x$(printf %02x $((byte ^ 255)))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# Every program in the package is one we signed, as staged.
programs=()
while read -r name; do
  is_pe "$STAGE/$name" && programs+=("$name")
done < <(list_files "$STAGE")
check "the package holds the programs we build" test "${programs[*]}" = "Drivers/410.exe instalator.exe sun/ocfpcsc1.dll"
check "every program in the package was signed by the build" test "$(list_files "$BUILD/signed")" = "$(printf '%s\n' "${programs[@]}")"

for name in "${programs[@]}"; do
  check "$name: staged as signed" cmp -s "$STAGE/$name" "$BUILD/signed/$name"
  check "$name: the signature verifies against the build's certificate" verifies "$STAGE/$name"
  check "$name: SHA-256" grep -q "Message digest algorithm: SHA256" "$WORK/verify.log"
  size=$(stat -c %s "$STAGE/$name")
  for offset in 80 1024 $((size / 3)); do
    cp "$STAGE/$name" "$WORK/changed"
    flip_byte "$WORK/changed" "$offset"
    check "$name: one changed byte at $offset breaks the signature" fails_to_verify "$WORK/changed"
  done
  rm -f "$WORK/unsigned"
  osslsigncode remove-signature -in "$STAGE/$name" -out "$WORK/unsigned" >/dev/null 2>&1
  check "$name: without its signature it is the unsigned build" cmp -s "$WORK/unsigned" "$BUILD/unsigned/$name"
done

# Another certificate does not vouch for our files.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$WORK/other.key" -out "$WORK/other.pem" -days 1 \
  -subj "/CN=Someone else" -addext extendedKeyUsage=codeSigning >/dev/null 2>&1
check "another certificate does not verify the exe" \
  bash -c '! osslsigncode verify -CAfile "$1" -in "$2" >/dev/null 2>&1' _ "$WORK/other.pem" "$STAGE/instalator.exe"

if cmp -s "$SIGNER" "$BUILD/signing/development.pem"; then
  subject=$(openssl x509 -in "$SIGNER" -noout -subject)
  check "the development certificate says it is not a release ($subject)" grep -q "NOT A RELEASE" <<<"$subject"
  verifies "$STAGE/instalator.exe"
  check "the exe names that certificate as its signer" grep -q "Subject: .*NOT A RELEASE" "$WORK/verify.log"
else
  echo "note: signed with a certificate from INSTALLER_SIGN_PKCS12"
fi

# The zip holds the staged package, nothing else, and its checksum file matches it.
zip=$(ls "$BUILD"/instalator-*.zip)
check "the zip lists the staged package" test "$(unzip -Z1 "$zip" | LC_ALL=C sort)" = "$(list_files "$STAGE")"
mkdir "$WORK/unzipped"
unzip -q "$zip" -d "$WORK/unzipped"
check "the zip's files equal the staged ones" diff -r "$WORK/unzipped" "$STAGE"
check "the package root: instalator.exe beside Drivers, msie, ns and sun" \
  test "$(ls "$WORK/unzipped" | tr '\n' ' ')" = "Drivers instalator.exe msie ns sun "
check "the checksum file matches the zip" bash -c 'cd "$(dirname "$1")" && sha256sum --quiet -c "$(basename "$1").sha256"' _ "$zip"

# The jar is put together without the JDK's jar tool; a JVM must still take it.
check "the OCF jar runs" bash -c '"$1" -jar "$2" | grep -q "OCF 1.2 stand-in"' _ "$JAVA" "$STAGE/sun/ocf1.2.jar"

finish

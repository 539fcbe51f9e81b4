#!/usr/bin/env bash
# The signed release: a throw-away certificate made with openssl signs both programs through the
# release workflow (FI_SIGN_PFX), and osslsigncode verifies each program of the ZIP against that
# certificate; a program changed after signing, or a check against another certificate, fails.
# Then the workflow's package step again without a key, which must say in one line that the
# ZIP is not signed and leave it so. Run after the release workflow has built its programs, so
# that only the packaging is repeated.
#
#   check_signing.sh VERSION
set -euo pipefail
cd "$(dirname "$0")/../.."
version=$1
zip="build/release/FontInstaller-$version.zip"
work=$(mktemp -d "${TMPDIR:-/tmp}/fi-sign.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
expect() {
    if eval "$1"; then echo "ok   $2"; else echo "FAIL $2"; failures=$((failures + 1)); fi
}

certificate() {
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$2" \
        -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
        -keyout "$work/$1.key" -out "$work/$1.pem" 2>/dev/null
}
certificate signer "FontInstaller throw-away signer"
certificate other "Someone else"
openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.pem" -out "$work/signer.pfx" \
    -passout pass:throw-away

unset FI_SIGN_PKCS11_MODULE FI_SIGN_KEY FI_SIGN_CERT FI_SIGN_TIMESTAMP
started=$(date +%s)
FI_SIGN_PFX="$work/signer.pfx" FI_SIGN_PASSWORD=throw-away \
    cmake --workflow --preset release >"$work/signed.log" 2>&1 || {
    cat "$work/signed.log"
    exit 1
}
echo "the signed release workflow took $(($(date +%s) - started)) s"
expect 'grep -q "Release signed: FontInstaller.exe;fontlist.exe (Authenticode, SHA-256, no time stamp)" "$work/signed.log"' \
    "the workflow says it signed both programs"
expect '[ "$(grep -c "without a time stamp" "$work/signed.log")" = 1 ]' \
    "it says in one line that the signatures carry no time stamp"
expect '! find build/release -name ".sign-password-*" | grep -q .' "no password file is left behind"

mkdir "$work/zip"
(cd "$work/zip" && unzip -q "$OLDPWD/$zip")
for program in FontInstaller.exe fontlist.exe; do
    file="$work/zip/FontInstaller-$version/$program"
    expect 'osslsigncode verify -CAfile "$work/signer.pem" -in "$file" >"$work/verify.log" 2>&1 && grep -q "Signer.s certificate" "$work/verify.log" && grep -q "Subject: /CN=FontInstaller throw-away signer" "$work/verify.log"' \
        "$program in the ZIP verifies against the signer's certificate"
    expect 'grep -q "Message digest algorithm  : SHA256" "$work/verify.log"' "$program is signed with SHA-256"
    expect '! osslsigncode verify -CAfile "$work/other.pem" -in "$file" >/dev/null 2>&1' \
        "$program does not verify against another certificate"
    # One byte of the program's code changed after signing.
    cp "$file" "$work/changed.exe"
    printf '\x90' | dd of="$work/changed.exe" bs=1 seek=4096 conv=notrunc status=none
    expect '! osslsigncode verify -CAfile "$work/signer.pem" -in "$work/changed.exe" >/dev/null 2>&1' \
        "$program changed after signing fails the verification"
    expect '! osslsigncode verify -CAfile "$work/signer.pem" -in "build/release/$program" >/dev/null 2>&1' \
        "$program in the build tree stays unsigned"
done

# The package step alone again, without a key: the ZIP as a release without a certificate is.
unset FI_SIGN_PFX FI_SIGN_PASSWORD
cpack --preset release >"$work/unsigned.log" 2>&1 || {
    cat "$work/unsigned.log"
    exit 1
}
expect '[ "$(grep -c "Release not signed" "$work/unsigned.log")" = 1 ]' \
    "without a key the package step says in one line that the release is not signed"
rm -rf "$work/zip" && mkdir "$work/zip"
(cd "$work/zip" && unzip -q "$OLDPWD/$zip")
expect '! osslsigncode verify -CAfile "$work/signer.pem" -in "$work/zip/FontInstaller-$version/FontInstaller.exe" >/dev/null 2>&1' \
    "and FontInstaller.exe in that ZIP carries no signature"

# The password file of the signing step, on its own (a stand-in signer, no build).
expect 'tests/release/check_sign_password.sh >"$work/password.log" 2>&1 || { cat "$work/password.log"; false; }' \
    "the password file is made private in one step and removed on every way out"

echo "$failures failure(s)"
[ "$failures" = 0 ]

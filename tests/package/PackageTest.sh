#!/usr/bin/env bash
# PackageTest.sh: what `make package` makes, checked in the files it makes. The
# source is copied to a scratch folder with every field of the project
# version changed, built there for this tree's architecture (one unity build,
# no tests) and packaged by packaging/package.sh, signed with a throw-away CA's
# code-signing certificate. Then:
#   the ZIP holds exactly zapwick.exe, help.chm, README.txt and LICENSE, its
#     program is built for the architecture and terminal-server aware, and
#     SHA256SUMS matches;
#   the policy templates' archive holds the source's template and texts,
#     well-formed, each text that the template names defined (and valid
#     against Microsoft's schema where a copy is at hand);
#   every place that shows the version shows the changed one, and the
#     manifest asks for per-monitor DPI, the controls of the system, the
#     Windows 10 and 11 and no elevation;
#   Programs and Features gets its links, the icon and the size;
#   the installer is for either scope, the user's unless told, no elevation;
#   the program, the installer's DLL, the program inside the .msi and the .msi
#     carry signatures that verify against the CA, and the signed program
#     still comes up under Wine.
source "$(dirname "$0")/Common.sh"
scratch=$ZW_BUILD_DIR/tests/package-scratch
rm -rf "$scratch"
mkdir -p "$scratch/source" "$scratch/unpacked"
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

source "$ZW_BUILD_DIR/packaging/package-inputs.sh"
IFS=. read -r major minor patch <<<"$version"
v=$((major + 1)).$((minor + 1)).$((patch + 1)) d=$((major + 1)).$((minor + 1))
cp -r "$root"/{CMakeLists.txt,LICENSE,bench,cmake,help,packaging,src} source/
sed -i "s/^project(Zapwick VERSION $version /project(Zapwick VERSION $v /" source/CMakeLists.txt
cmake -S source -B build -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$ZW_ARCH.cmake \
    -DBUILD_TESTING=OFF -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=0
cmake --build build -j2 --target zapwick installeractions zapwick_help

# The CA, and a code-signing certificate that it issues, in a PKCS#12 file.
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj /CN=Test-CA \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -subj /CN=Test-Signer 2>/dev/null |
    openssl x509 -req -CA ca.pem -CAkey ca.key -days 2 -out signer.pem 2>/dev/null \
        -extfile <(printf 'extendedKeyUsage=codeSigning\nkeyUsage=digitalSignature\n')
openssl pkcs12 -export -inkey signer.key -in signer.pem -out signer.pfx -passout pass:test
ZW_SIGN_PFX=$scratch/signer.pfx ZW_SIGN_PASSWORD=test bash source/packaging/package.sh out build

zip=out/Zapwick-$d-$ZW_ARCH.zip msi=out/Zapwick-$d-$ZW_ARCH.msi templates=out/Zapwick-$d-policy-templates.zip
expect_equal "the packages are named for the version and the architecture" \
    "SHA256SUMS $(basename "$templates") $(basename "$msi") $(basename "$zip")" \
    "$(LC_ALL=C ls out | tr '\n' ' ' | sed 's/ $//')"
check "SHA256SUMS names all three and matches them" \
    sh -c 'cd out && sha256sum --quiet -c SHA256SUMS && test "$(wc -l <SHA256SUMS)" = 3'
expect_equal "the ZIP holds exactly the four files" "LICENSE README.txt help.chm zapwick.exe" \
    "$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
unzip -q "$zip" -d unpacked
declare -A pe_format=([win32]=pei-i386 [win64]=pei-x86-64)
check "zapwick.exe is a $ZW_ARCH program" \
    grep -q "file format ${pe_format[$ZW_ARCH]}\$" <(x86_64-w64-mingw32-objdump -f unpacked/zapwick.exe)

# What the program, the help, README.txt and the installer say, one text each.
x86_64-w64-mingw32-windres -i unpacked/zapwick.exe -O rc >resources.txt
for page in Introduction TrayIcon; do chmls extract unpacked/help.chm /$page.htm $page.htm >/dev/null 2>&1; done
cat Introduction.htm TrayIcon.htm >help.txt
msiinfo export "$msi" Property | tr '\t' ' ' | tr -d '\r' >properties.txt
size_kb=$(cat unpacked/* | wc -c | awk '{ print int(($1 + 1023) / 1024) }')
product_page=http://www.morvane.example/products/zapwick.htm
while IFS='|' read -r text file what; do
    check "$what: $text" grep -qF -- "$text" "$file"
done <<EOF
FILEVERSION ${v//./, }, 0|resources.txt|the version resource
PRODUCTVERSION ${v//./, }, 0|resources.txt|the version resource
VALUE "FileVersion", "$v.0"|resources.txt|the version resource
VALUE "ProductVersion", "$d"|resources.txt|the version resource
"Zapwick Version $d"|resources.txt|the About box
version=""$v.0""|resources.txt|the manifest
<dpiAwareness xmlns=""http://schemas.microsoft.com/SMI/2016/WindowsSettings"">PerMonitorV2, PerMonitor<|resources.txt|the manifest's DPI awareness
<dpiAware xmlns=""http://schemas.microsoft.com/SMI/2005/WindowsSettings"">true/pm<|resources.txt|the manifest's DPI awareness before Windows 10
<activeCodePage xmlns=""http://schemas.microsoft.com/SMI/2019/WindowsSettings"">UTF-8<|resources.txt|the manifest's code page
name=""Microsoft.Windows.Common-Controls"" version=""6.0.0.0""|resources.txt|the manifest's controls
<requestedExecutionLevel level=""asInvoker"" uiAccess=""false""/>|resources.txt|the manifest's elevation
<supportedOS Id=""{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}""/>|resources.txt|the manifest: 10 and 11 (their own version, not 8's)
Zapwick version $d |help.txt|the help's welcome page
Zapwick Version $d<|help.txt|the help's tray icon page
Zapwick $d$(printf '\r')|unpacked/README.txt|README.txt
Zapwick-$d-win32.zip|unpacked/README.txt|README.txt
ProductVersion $v|properties.txt|the installer
ARPHELPLINK $product_page|properties.txt|Programs and Features
ARPURLUPDATEINFO $product_page|properties.txt|Programs and Features
ARPURLINFOABOUT http://www.morvane.example/|properties.txt|Programs and Features
ARPSIZE $size_kb|properties.txt|Programs and Features
ALLUSERS 2|properties.txt|the installer, for either scope
MSIINSTALLPERUSER 1|properties.txt|the installer, for the user unless told
EOF
check "the installer asks for no elevation (word count bit 8)" \
    test $(($(msiinfo suminfo "$msi" | sed -n 's/^Source: \([0-9]*\).*/\1/p') & 8)) = 8
icon=$(sed -n 's/^ARPPRODUCTICON //p' properties.txt)
check "Programs and Features shows the package's icon" grep -qx "Icon.$icon" <(msiinfo streams "$msi")

check "zapwick.exe is terminal-server aware" \
    grep -q TERMINAL_SERVICE_AWARE <(x86_64-w64-mingw32-objdump -p unpacked/zapwick.exe)

# The administrative templates: the source's, well-formed, every text that the
# template names defined in its language file (and valid against Microsoft's
# schema where a copy is at hand: ZW_ADMX_SCHEMA, or beside the checkout).
expect_equal "the templates' archive holds the template and its English texts" \
    "Zapwick.admx en-US/Zapwick.adml" "$(unzip -Z1 "$templates" | tr '\n' ' ' | sed 's/ $//')"
unzip -q "$templates" -d policy
for file in Zapwick.admx en-US/Zapwick.adml; do
    check "$file is the source's and well-formed" \
        sh -c 'cmp -s "$1" "$2" && xmllint --noout "$1"' - "policy/$file" "$root/packaging/policy/$file"
done
check "every text and presentation of the template is in its language file" test -z "$(comm -23 \
    <(grep -o '$([a-z]*\.[^)]*)' policy/Zapwick.admx | tr -d '$()' | sort -u) \
    <(grep -o '<\(string\|presentation\) id="[^"]*"' policy/en-US/Zapwick.adml |
        sed 's/<\([a-z]*\) id="\(.*\)"/\1.\2/' | sort -u))"
schema=${ZW_ADMX_SCHEMA:-$root/../shared/admx-schema}
if [ -f "$schema/PolicyDefinitionFiles.xsd" ]; then
    check "the templates are valid against the schema" xmllint --noout --schema \
        "$schema/PolicyDefinitionFiles.xsd" policy/Zapwick.admx policy/en-US/Zapwick.adml
fi

msiinfo extract "$msi" Binary.InstallerActions >installeractions.dll
msiextract -C from-msi "$msi" >/dev/null
verifies() { osslsigncode verify -CAfile ca.pem -in "$1" >/dev/null; }
for file in unpacked/zapwick.exe installeractions.dll from-msi/*/Zapwick/zapwick.exe "$msi"; do
    check "$file is signed, and the signature verifies" verifies "$file"
done
run=$(wine "$ZW_BUILD_DIR/bin/probe.exe" start zapwick "$(wine winepath -w unpacked/zapwick.exe)" |
    tr -d '\r') && status=0 || status=$?
say "the signed Zapwick: $run"
expect_equal "the signed Zapwick shows its window and tray icon and ends cleanly" 0 "$status"
finish

#!/usr/bin/env bash
# Checks the built LV2 bundle's Turtle: every .ttl file parses (serdi), and
# lv2_validate (lv2-dev, which runs sord_validate against the installed LV2
# specifications) finds nothing but the known findings listed below, all of
# which come from the files the framework generates for every plug-in. The
# plug-in's maker has the given mailbox (a mailto: IRI), which hosts show.
# Usage: lv2-validate.sh BUNDLE.lv2 PLUGIN_URI MAKER_MAILBOX
set -euo pipefail

bundle="$1"
uri="$2"
mailbox="$3"

for tool in serdi lv2_validate sord_validate; do
    if ! command -v "$tool" > /dev/null; then
        echo "FAIL: $tool not found (scripts/test installs lv2-dev, serdi and sordi)" >&2
        exit 1
    fi
done

shopt -s nullglob
ttl_files=("$bundle"/*.ttl)

if [ ${#ttl_files[@]} -lt 3 ]; then
    echo "FAIL: expected manifest.ttl, dsp.ttl and ui.ttl in $bundle, found: ${ttl_files[*]:-none}" >&2
    exit 1
fi

for file in "${ttl_files[@]}"; do
    if ! serdi -q -i turtle -o ntriples "$file" > /dev/null; then
        echo "FAIL: $file is not valid Turtle" >&2
        exit 1
    fi
done

grep -q "<$uri>" "$bundle/manifest.ttl" || { echo "FAIL: manifest.ttl does not name <$uri>" >&2; exit 1; }

if ! grep -qF "foaf:mbox <$mailbox> ;" "$bundle/dsp.ttl"; then
    echo "FAIL: dsp.ttl does not give the maker the mailbox <$mailbox>: $(grep -F 'foaf:mbox' "$bundle/dsp.ttl" || echo none)" >&2
    exit 1
fi

# Findings of the framework's generated Turtle, one per line as
# "message | subject | predicate | object", with the plug-in URI written as
# PLUGIN and blank nodes as _:
known=(
    # dsp.ttl: the plug-in carries doap:maintainer and doap:release but is
    # typed only lv2:Plugin, not doap:Project, the domain of both properties.
    "Subject not in domain <http://usefulinc.com/ns/doap#Project> | PLUGIN | http://usefulinc.com/ns/doap#maintainer | _"
    "Subject not in domain <http://usefulinc.com/ns/doap#Project> | PLUGIN | http://usefulinc.com/ns/doap#release | _"
    # ui.ttl: ui:noUserResize is a feature, but is listed as extension data.
    "Object not in range <http://lv2plug.in/ns/lv2core#ExtensionData> | PLUGIN:UI | http://lv2plug.in/ns/lv2core#extensionData | http://lv2plug.in/ns/extensions/ui#noUserResize"
    # ui.ttl: opts:interface is extension data, but is listed as an optional feature.
    "Object not in range <http://lv2plug.in/ns/lv2core#Feature> | PLUGIN:UI | http://lv2plug.in/ns/lv2core#optionalFeature | http://lv2plug.in/ns/ext/options#interface"
    # dsp.ttl: a choice parameter (here "shape") is a patch parameter
    # (lv2:Parameter), yet gets lv2:portProperty lv2:enumeration, a port property.
    "Subject not in domain <http://lv2plug.in/ns/lv2core#Port> | PLUGIN:shape | http://lv2plug.in/ns/lv2core#portProperty | http://lv2plug.in/ns/lv2core#enumeration"
    # manifest.ttl: the factory preset stores the framework's program number
    # under the state key PLUGIN:Program, which no file declares or labels.
    "Use of undefined property | _ | PLUGIN:Program | 0"
    "Property <PLUGIN:Program> has no label | _ | PLUGIN:Program | 0"
)

report="$(lv2_validate "${ttl_files[@]}" 2>&1 || true)"

# One finding per line: the message, then its subject, predicate and object.
findings="$(printf '%s\n' "$report" | awk '
    /^(error|warning): / { if (record != "") print record; record = $0; sub (/^(error|warning): /, "", record); next }
    /^ +[^ ]/ && record != "" { field = $0; sub (/^ +/, "", field); record = record " | " field; next }
    /^Found / { if (record != "") print record; record = "" }
    END { if (record != "") print record }
' | sed -e "s#${uri}#PLUGIN#g" -e 's#| b[0-9][0-9]*\( |\|$\)#| _\1#g')"

unexpected=0
seen=0

while IFS= read -r finding; do
    [ -n "$finding" ] || continue
    match=0

    for k in "${known[@]}"; do
        if [ "$finding" = "$k" ]; then
            match=1
            break
        fi
    done

    if [ $match -eq 1 ]; then
        seen=$((seen + 1))
    else
        echo "FAIL: unexpected lv2_validate finding: $finding" >&2
        unexpected=$((unexpected + 1))
    fi
done <<< "$findings"

if [ $unexpected -gt 0 ]; then
    printf '%s\n' "$report" >&2
    exit 1
fi

if ! printf '%s\n' "$report" | grep -Eq "^Found [0-9]+ errors among [0-9]+ files"; then
    echo "FAIL: lv2_validate did not run to the end:" >&2
    printf '%s\n' "$report" >&2
    exit 1
fi

echo "OK: ${#ttl_files[@]} Turtle files parse; lv2_validate reports only the $seen known framework findings"

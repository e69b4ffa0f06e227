#!/bin/sh
# Makes the certificates of the HTTPS tests in the folder given: a test CA,
# another CA nobody trusts, and leaves signed for localhost, 127.0.0.1 and
# ::1 (good), for another name (wronghost), expired in 2020 (expired) and by
# the untrusted CA (stranger). EC keys, so it takes a moment even on a busy
# machine. The file "made" appears last, once all of them are there.
set -e
cd "$1"
cat > ca.cnf <<'C'
[ca]
default_ca = local
[local]
dir = .
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
copy_extensions = copy
unique_subject = no
[any]
commonName = supplied
C
: > index.txt; echo 01 > serial
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout ca.key -out ca.pem -days 2 -subj /CN=Test-CA 2>/dev/null
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout other-ca.key -out other-ca.pem -days 2 -subj /CN=Other-CA 2>/dev/null
leaf() { # name san start end ca
  openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout $1.key -out $1.csr -subj /CN=$1 -addext "subjectAltName=$2" 2>/dev/null
  openssl ca -batch -config ca.cnf -cert $5.pem -keyfile $5.key -in $1.csr -out $1.pem -startdate $3 -enddate $4 -notext 2>/dev/null
}
leaf good "DNS:localhost,IP:127.0.0.1,IP:::1" 20200101000000Z 20991231000000Z ca
leaf wronghost "DNS:elsewhere.invalid" 20200101000000Z 20991231000000Z ca
leaf expired "DNS:localhost,IP:127.0.0.1" 20200101000000Z 20200102000000Z ca
leaf stranger "DNS:localhost,IP:127.0.0.1" 20200101000000Z 20991231000000Z other-ca
touch made

// Runs the Khronos glTF validator over each file named on the command line
// (external buffers and images read from beside it) and prints one line a
// file: its name, its error and warning counts, then its first errors. Exits
// with status 1 when some file has an error.
// Usage: node validate_gltf.js VALIDATOR_MODULE FILE...
const fs = require("fs");
const path = require("path");
const validator = require(process.argv[2]);

async function validate(file) {
    const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
        uri: path.basename(file),
        externalResourceFunction: (uri) =>
            fs.promises.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri)))
                .then((data) => new Uint8Array(data)),
    });
    const errors = report.issues.messages.filter((m) => m.severity === 0).slice(0, 5);
    console.log(`${file} errors=${report.issues.numErrors} warnings=${report.issues.numWarnings} ` +
                errors.map((m) => `${m.code} ${m.pointer || ""} ${m.message}`).join("; "));
    if (report.issues.numErrors > 0) process.exitCode = 1;
}

(async () => {
    for (const file of process.argv.slice(3)) await validate(file);
})().catch((error) => {
    console.log(`failed: ${error}`);
    process.exit(1);
});

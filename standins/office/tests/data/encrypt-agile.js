// Open XML files encrypted by the npm package officecrypto-tool (agile).
const fs = require('fs');
const path = require('path');
const officeCrypto = require('officecrypto-tool');

const [here, password] = process.argv.slice(2);
(async () => {
    for (const [src, dst] of [['memo.docx', 'memo-agile-npm.docx'], ['sheet.xlsx', 'sheet-agile-npm.xlsx'],
                              ['deck.pptx', 'deck-agile-npm.pptx']]) {
        const input = fs.readFileSync(path.join(here, src));
        const output = await officeCrypto.encrypt(input, { password });
        fs.writeFileSync(path.join(here, dst), output);
    }
})();

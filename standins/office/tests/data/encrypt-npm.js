// Open XML files encrypted by the npm package officecrypto-tool: agile, and
// the older "standard" method.
const fs = require('fs');
const path = require('path');
const officeCrypto = require('officecrypto-tool');

const [here, password] = process.argv.slice(2);
(async () => {
    for (const [src, dst, type] of [['memo.docx', 'memo-agile-npm.docx', 'agile'],
                                    ['sheet.xlsx', 'sheet-agile-npm.xlsx', 'agile'],
                                    ['deck.pptx', 'deck-agile-npm.pptx', 'agile'],
                                    ['memo.docx', 'memo-standard-npm.docx', 'standard'],
                                    ['sheet.xlsx', 'sheet-standard-npm.xlsx', 'standard']]) {
        const input = fs.readFileSync(path.join(here, src));
        const options = type === 'standard' ? { password, type } : { password };
        const output = await officeCrypto.encrypt(input, options);
        fs.writeFileSync(path.join(here, dst), output);
    }
})();
